#pragma once

#include <QPixmap>
#include <QString>
#include <functional>

// Renders the CD grabber over a virtual disc with stored text, and the grab progress
// window part-way, through `save` (picture, file name).
void RenderGrabberWindows(const std::function<void(const QPixmap&, const QString&)>& save);
