#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace orvel {

/// The local model server's settings: its URL and model name as saved in the config file, and
/// whether the server they name may be used, or why not. Saved settings apply from the next start.
class ModelPreferencesDialog final : public QDialog {
public:
    /// A dialog showing the saved settings and their status.
    explicit ModelPreferencesDialog(QWidget* parent = nullptr);

    /// Checks the fields as typed and shows the outcome.
    void checkStatus();
    /// Writes the fields to the config file and says whether that worked.
    void save();
    /// The status line, for tests.
    QString status() const { return m_status.text(); }

private:
    QLineEdit m_url;
    QLineEdit m_model;
    QLabel m_status;
};

} // namespace orvel
