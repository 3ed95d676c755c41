#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillon {

class CHyperLink;

// The modal "About Quillon..." box: icon, name and version, and the three contact links.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static constexpr const char* kSupportAddress = "support@norvane.example";
    static constexpr const char* kProductPage = "https://www.norvane.example/quillon/";
    static constexpr const char* kHomePage = "https://www.norvane.example/";

    CHyperLink* MailLink() const { return mailLink_; }
    CHyperLink* ProductLink() const { return productLink_; }
    CHyperLink* MakerLink() const { return makerLink_; }
    QPushButton* OkButton() const { return okButton_; }

private:
    void DoDataExchange();
    void OnInitDialog();

    CHyperLink* mailLink_;
    CHyperLink* productLink_;
    CHyperLink* makerLink_;
    QPushButton* okButton_;
};

// Gives a window the "&About Quillon..." item in its context menu (right button on the
// window's background), which shows the about box modally.
void InstallAboutMenu(QWidget* window);

} // namespace quillon
