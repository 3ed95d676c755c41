#include "ui/AboutDialog.h"

#include <QAction>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "res/Pictures.h"
#include "ui/CHyperLink.h"

namespace quillon {

namespace {

// Places controls in dialog units (a quarter of the average character width, an eighth
// of the font height), so the box keeps its proportions with any font.
class DialogUnits
{
public:
    explicit DialogUnits(const QWidget* dialog)
        : x_(dialog->fontMetrics().averageCharWidth()), y_(dialog->fontMetrics().height())
    {}

    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    int X(int units) const { return units * x_ / 4; }
    int Y(int units) const { return units * y_ / 8; }

private:
    int x_;
    int y_;
};

QLabel* AddLabel(QWidget* parent, const QString& text, QRect where)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Quillon..."));
    DialogUnits du(this);
    setFixedSize(du.X(262), du.Y(122));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QString::fromLatin1(pictures::kAppIconPath)).pixmap(40, 40));
    icon->setGeometry(du.X(10), du.Y(8), 40, 40);
    AddLabel(this, QStringLiteral("Quillon, Version 2.51"), du.Rect(44, 10, 140, 10));
    AddLabel(this, QStringLiteral("Copyright (C) Norvane. All rights reserved."), du.Rect(44, 24, 200, 10));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(du.Rect(204, 8, 50, 14));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* group = new QGroupBox(QStringLiteral("Quillon Contacts:"), this);
    group->setGeometry(du.Rect(7, 44, 248, 70));
    AddLabel(group, QStringLiteral("Technical Support:"), du.Rect(8, 16, 84, 10));
    AddLabel(group, QStringLiteral("Quillon page"), du.Rect(8, 32, 84, 10));
    AddLabel(group, QStringLiteral("Norvane Home Page:"), du.Rect(8, 48, 84, 10));

    // The links' shown texts come from the "template"; their targets are set on opening.
    mailLink_ = new CHyperLink(QString::fromLatin1(kSupportAddress), group);
    mailLink_->setGeometry(du.Rect(96, 16, 146, 10));
    productLink_ = new CHyperLink(QStringLiteral("www.norvane.example/quillon"), group);
    productLink_->setGeometry(du.Rect(96, 32, 146, 10));
    makerLink_ = new CHyperLink(QStringLiteral("www.norvane.example"), group);
    makerLink_->setGeometry(du.Rect(96, 48, 146, 10));

    DoDataExchange();
    OnInitDialog();
}

void AboutDialog::DoDataExchange()
{
    makerLink_->Attach();
    productLink_->Attach();
    mailLink_->Attach();
}

void AboutDialog::OnInitDialog()
{
    mailLink_->SetURL(QStringLiteral("mailto:") + QString::fromLatin1(kSupportAddress), true);
    productLink_->SetURL(QString::fromLatin1(kProductPage), true);
    makerLink_->SetURL(QString::fromLatin1(kHomePage), true);
    okButton_->setFocus();
}

void InstallAboutMenu(QWidget* window)
{
    auto* about = new QAction(QStringLiteral("&About Quillon..."), window);
    about->setObjectName(QStringLiteral("aboutQuillon"));
    QObject::connect(about, &QAction::triggered, window, [window] {
        AboutDialog dialog(window);
        dialog.exec();
    });
    window->addAction(about);
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
}

} // namespace quillon
