#pragma once

#include "app/filetools/MivProcessWindowController.h"

#include <QPointer>
#include <QString>
#include <QVariant>

class MivProcessInfoDataSource;
class QLabel;

// A window with a message in front of background work: shown only when the
// work outlasts the show delay, cancelled only when the work agrees.
class MivProcessInfoWindowController : public MivProcessWindowController
{
    Q_OBJECT

public:
    // The name is the owner's label for the dialog; it is not shown.
    explicit MivProcessInfoWindowController(const QString& name, QObject* parent = nullptr);
    ~MivProcessInfoWindowController() override;

    QVariant contextData() const { return m_contextData; }
    void setContextData(const QVariant& data) { m_contextData = data; }
    QString messageText() const { return m_messageText; }
    void setMessageText(const QString& text);
    // Not owned; must outlive the dialog's runs.
    MivProcessInfoDataSource* dataSource() const { return m_dataSource; }
    void setDataSource(MivProcessInfoDataSource* source) { m_dataSource = source; }
    QLabel* messageTextField() const { return m_messageTextField; }

    void process() override;
    // Leaves the dialog and the work running when the data source refuses.
    void abortModal() override;

protected:
    void loadWindow(QWidget* window) override;

private:
    QVariant m_contextData;
    QString m_messageText;
    MivProcessInfoDataSource* m_dataSource = nullptr;
    QLabel* m_messageTextField = nullptr;
};
