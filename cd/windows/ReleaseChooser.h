#pragma once

#include "cd/MusicBrainzAnswer.h"

#include <QDialog>
#include <optional>
#include <vector>

class QListWidget;

namespace quillon {

// "Quillon - Choose the Release": the releases a look-up found for the disc, one line
// each (ReleaseLine), the first chosen; OK (or a double-click) takes the chosen one.
class ReleaseChooser : public QDialog
{
    Q_OBJECT

public:
    ReleaseChooser(const std::vector<ReleaseChoice>& releases, QWidget* parent = nullptr);

    // The row chosen, or -1.
    int Chosen() const;

private:
    QListWidget* list_;
};

// Shows the chooser modally over `parent`; the position of the chosen release, or nothing
// when the user cancelled.
std::optional<size_t> ChooseRelease(QWidget* parent, const std::vector<ReleaseChoice>& releases);

} // namespace quillon
