#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/dialogs/MivModalWindowController.h"

#include <QDateTime>
#include <QList>
#include <QPointer>

class QButtonGroup;
class QComboBox;
class QDateTimeEdit;
class QPushButton;

namespace plat {
class Error;
}

// Sets the modification date of the selected items, to now or to a chosen
// date, and by its scope inside selected folders:
//   0 the selected items themselves;
//   1 the selected files and every file inside selected folders;
//   2 the selected folders and every folder inside them;
//   3 the selected items and everything inside selected folders.
// Links to folders count as files and are never entered. Lives for one run
// on the GUI thread.
class MivModDateWindowController : public MivModalWindowController
{
    Q_OBJECT

public:
    // Tags of the date choice.
    static constexpr int kChoiceNow = 1;
    static constexpr int kChoicePicker = 2;

    explicit MivModDateWindowController(const QList<MivFileDataPtr>& data, QObject* parent = nullptr);
    ~MivModDateWindowController() override;

    QList<MivFileDataPtr> sourceData() const { return m_sourceData; }
    QDateTime modDate() const { return m_modDate; }

    QComboBox* applyButton() const { return m_applyButton; }
    QPushButton* updateButton() const { return m_updateButton; }
    QButtonGroup* operChoice() const { return m_operChoice; }
    QDateTimeEdit* datePicker() const { return m_datePicker; }

    // The scope and the date choice by their tags.
    void setScope(int scope);
    void setChoice(int tag);

    // Applies the chosen date on OK; the first failure is presented and
    // ends the run, the items before it keep their new dates.
    void processResult(int response) override;

    // Applies the date to one item and, by the scope, inside it. On failure
    // the error goes to the out-parameter (and the log) when one is given,
    // else it is presented; false then, and the remaining children are left.
    bool processModDate(const QDateTime& date, int scope, const MivFileDataPtr& item, plat::Error* errorRes);

protected:
    void loadWindow(QWidget* window) override;
    void awakeFromNib() override;

private:
    void setChoiceValue();
    bool applyTo(const QDateTime& date, int scope, const MivFileDataPtr& item, plat::Error& failure);

    QList<MivFileDataPtr> m_sourceData;
    MivFileDataPtr m_data;
    QDateTime m_modDate;
    QComboBox* m_applyButton = nullptr;
    QPushButton* m_updateButton = nullptr;
    QButtonGroup* m_operChoice = nullptr;
    QDateTimeEdit* m_datePicker = nullptr;
};
