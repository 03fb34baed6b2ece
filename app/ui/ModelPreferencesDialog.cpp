#include "ui/ModelPreferencesDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "orvel/HttpLanguageModel.h"

namespace orvel {

ModelPreferencesDialog::ModelPreferencesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Orvel Preferences");
    const ModelSettings saved = ModelSettings::readFile(ModelSettings::configFile());
    m_url.setObjectName("modelUrl");
    m_url.setText(QString::fromStdString(saved.url));
    m_url.setPlaceholderText("http://127.0.0.1:8080");
    m_model.setObjectName("modelName");
    m_model.setText(QString::fromStdString(saved.model));
    m_model.setPlaceholderText("optional");
    m_status.setObjectName("modelStatus");
    m_status.setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    auto* check = buttons->addButton("Check", QDialogButtonBox::ActionRole);
    connect(check, &QPushButton::clicked, this, &ModelPreferencesDialog::checkStatus);
    connect(buttons, &QDialogButtonBox::accepted, this, &ModelPreferencesDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("Model server URL", &m_url);
    form->addRow("Model name", &m_model);
    form->addRow(&m_status);
    form->addRow(buttons);
    checkStatus();
}

void ModelPreferencesDialog::checkStatus() {
    const HttpLanguageModel model({m_url.text().trimmed().toStdString(), m_model.text().trimmed().toStdString()});
    m_status.setText(QString::fromStdString(explanationStatus(model.unavailabilityReason())));
}

void ModelPreferencesDialog::save() {
    const ModelSettings settings{m_url.text().trimmed().toStdString(), m_model.text().trimmed().toStdString()};
    checkStatus();
    m_status.setText(m_status.text() + "\n" +
                     (settings.writeFile(ModelSettings::configFile())
                          ? "Saved; Orvel uses it from its next start (ORVEL_MODEL_URL, when set, wins)."
                          : "Could not save " + QString::fromStdString(ModelSettings::configFile().string()) + "."));
}

} // namespace orvel
