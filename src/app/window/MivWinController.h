#pragma once

#include "FileData/MivFileDataOpener.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class MivFilesTabViewController;
class MivMainWindow;
class QSplitter;
class QWidget;

// Controller of the main window: builds the window and its two sides
// ("left" and "right"), keeps the window's state in the settings context and
// is the file layer's opener of files. One per process, owned by the
// application delegate; GUI thread only.
class MivWinController : public QObject, public MivFileDataOpener
{
    Q_OBJECT

public:
    // Makes one side; tests hand in stand-ins for the sides' later parts.
    using SideFactory = std::function<MivFilesTabViewController*(QWidget* parent)>;

    // General-store keys of the window's state.
    static const QString kActiveLeftSideKey;
    static const QString kCommandLineHistoryKey;

    explicit MivWinController(SideFactory sideFactory = {});
    ~MivWinController() override;

    MivMainWindow* window() const;
    void showWindow();

    MivFilesTabViewController* leftController() const { return m_left; }
    MivFilesTabViewController* rightController() const { return m_right; }
    // The side holding the active panel; the right side when the left one does not.
    MivFilesTabViewController* activeTabPanel() const;
    MivFilesTabViewController* opositeTabPanel() const;

    // Once the window is on screen: focuses the side that was active at the last quit.
    void started();
    // Writes the window's state into the settings context (at quit, before shutdown).
    void saveState();
    // Closes both sides, left then right.
    void shutdown();

    void setColumnSizeAdjusterDisabled(bool disabled) { m_columnSizeAdjusterDisabled = disabled; }
    bool columnSizeAdjusterDisabled() const { return m_columnSizeAdjusterDisabled; }

    // The command line's remembered entries, newest last.
    QStringList commandLineHistory() const { return m_commandLineHistory; }
    void setCommandLineHistory(const QStringList& history) { m_commandLineHistory = history; }

    // MivFileDataOpener
    void openFile(const MivFileDataPtr& file, qint32 forOperation) override;
    void openFileFor(qint32 operation) override;

private:
    MivFilesTabViewController* makeSide(const QString& ident, QWidget* parent);
    void sideActivated(QWidget* now);

    SideFactory m_sideFactory;
    std::unique_ptr<MivMainWindow> m_window;
    QSplitter* m_filesSplit = nullptr;
    MivFilesTabViewController* m_left = nullptr;
    MivFilesTabViewController* m_right = nullptr;
    bool m_leftActive = true;
    bool m_columnSizeAdjusterDisabled = false;
    QStringList m_commandLineHistory;
};
