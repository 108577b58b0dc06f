#pragma once

#include "app/dialogs/MivModalWindowController.h"

#include <memory>

class MivFilesViewController;
class QCheckBox;
class QLabel;
class QLineEdit;

// The select-by-pattern sheet: asks for a name pattern, a wildcard pattern
// or a regular expression, and on OK has the panel that opened it mark or
// unmark the matching rows. The result travels as the panel's control key
// (FilesTableControlKeySelectByPattern or FilesTableControlKeyUnselectByPattern
// with "pattern" and "regexp"), so it runs through the panel's one handler of
// mark changes. GUI thread.
class MivSelectPatternWindowController : public MivModalWindowController
{
    Q_OBJECT

public:
    static constexpr int kActionUnmark = 0;
    static constexpr int kActionMark = 1;

    explicit MivSelectPatternWindowController(int actionType, QObject* parent = nullptr);
    ~MivSelectPatternWindowController() override;

    bool select() const { return m_select; }
    // The panel the sheet acts for; held weakly: a panel gone meanwhile
    // drops the result.
    void setController(const std::weak_ptr<MivFilesViewController>& controller) { m_controller = controller; }
    // Shows the sheet on the window and returns at once.
    void performOnSheetForWindow(QWidget* window);

    QLineEdit* patternField() const { return m_patternField; }
    QCheckBox* regexpField() const { return m_regexpField; }

    // A regular expression must compile before OK ends the sheet.
    bool validate() override;
    void processResult(int response) override;

protected:
    void loadWindow(QWidget* window) override;

private:
    bool m_select;
    std::weak_ptr<MivFilesViewController> m_controller;
    QLineEdit* m_patternField = nullptr;
    QCheckBox* m_regexpField = nullptr;
    QLabel* m_errorLabel = nullptr;
};
