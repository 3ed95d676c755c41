#include "cd/windows/ReleaseChooser.h"

#include "ui/TextBytes.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

QString Plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

ReleaseChooser::ReleaseChooser(const std::vector<ReleaseChoice>& releases, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("releaseChooser"));
    setWindowTitle(QStringLiteral("Quillon - Choose the Release"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("releases"));
    auto* caption = new QLabel(QStringLiteral("Several releases match this disc. Choose the &release:"), this);
    caption->setBuddy(list_);
    list_->setAccessibleName(Plain(caption->text()));
    for (const ReleaseChoice& release : releases)
        list_->addItem(Utf8Text(ReleaseLine(release)));
    list_->setCurrentRow(0);
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 24);
    layout->addWidget(caption);
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* button : buttons->buttons())
        button->setAccessibleName(Plain(button->text()));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    list_->setFocus();
}

int ReleaseChooser::Chosen() const
{
    return list_->currentRow();
}

std::optional<size_t> ChooseRelease(QWidget* parent, const std::vector<ReleaseChoice>& releases)
{
    ReleaseChooser chooser(releases, parent);
    if (chooser.exec() != QDialog::Accepted || chooser.Chosen() < 0)
        return std::nullopt;
    return static_cast<size_t>(chooser.Chosen());
}

} // namespace quillon
