#pragma once

#include <functional>

class QWidget;

namespace quillon {

struct QuillonApp;

// Opens the CD-Audio grabber modally over `parent`. On OK it has appended one CD job per
// ticked track to app.jobs and returns true; Cancel (or no grabber) returns false.
using TrackPicker = std::function<bool(QWidget* parent, QuillonApp& app)>;

} // namespace quillon
