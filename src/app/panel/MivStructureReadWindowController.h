#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/filetools/MivProcessWindowController.h"

#include <QList>
#include <QPointer>

#include <memory>
#include <mutex>

class MivFlatStructureLoader;
class QLineEdit;

// A modal progress window in front of a flat walk: shown once the walk
// outlasts the show delay; cancelling it aborts the walk.
class MivStructureReadWindowController : public MivProcessWindowController
{
    Q_OBJECT

public:
    explicit MivStructureReadWindowController(std::shared_ptr<MivFlatStructureLoader> loader,
                                              QObject* parent = nullptr);
    ~MivStructureReadWindowController() override;

    // The walk's result once process() ran; empty before.
    QList<MivFileDataPtr> resultArray() const;
    const std::shared_ptr<MivFlatStructureLoader>& loader() const { return m_loader; }
    QLineEdit* pathField() const { return m_pathField; }

    void process() override;
    void abortModal() override;

protected:
    void loadWindow(QWidget* window) override;
    void awakeFromNib() override;

private:
    const std::shared_ptr<MivFlatStructureLoader> m_loader;
    mutable std::mutex m_resultLock;
    QList<MivFileDataPtr> m_resultArray;  // guarded by m_resultLock: written by the work, read by the owner
    QPointer<QLineEdit> m_pathField;
};
