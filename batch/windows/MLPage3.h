#pragma once

#include <QWizardPage>

class QPushButton;
class QTableView;

namespace quillon {

class ValueLabel;

class JobTableModel;
struct QuillonApp;

// "Finish": the batch as page 1 lists it and the current defaults, which "Save" stores.
class MLPage3 : public QWizardPage
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Quillon 2.51 - Finish...,   Page 2 of 2";

    explicit MLPage3(QuillonApp& app, QWidget* parent = nullptr);

    // Activation: each time the page becomes current.
    void initializePage() override;

    // Stores the current defaults in the settings file; a failure shows nothing.
    void Save();

private:
    QuillonApp& app_;
    ValueLabel* outputDir_;
    ValueLabel* options_;
    QPushButton* save_;
    QTableView* summary_;
    JobTableModel* model_;
};

} // namespace quillon
