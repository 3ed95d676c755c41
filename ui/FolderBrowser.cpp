#include "ui/FolderBrowser.h"

#include "ui/TextBytes.h"

#include <QFileDialog>

namespace quillon {

bool FolderBrowser::Browse()
{
    QString caption = title.empty() ? QStringLiteral("Open") : QString::fromStdString(title);
    QString chosen = QFileDialog::getExistingDirectory(nullptr, caption, QString(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return false;
    }
    std::string result = FileNameBytes(chosen);
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    path = result;
    return true;
}

} // namespace quillon
