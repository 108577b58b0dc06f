#pragma once


#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileDataManager.h"
#include "app/operations/MivFileManager.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "platform/MainDispatcher.h"
#include "platform/NotificationCenter.h"
#include "support/QtPrinters.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

namespace mivtest {

// A gate a folder's listing waits at, so a test decides when a listing ends
// and can act while it runs.
class ListingGate
{
public:
    void close()
    {
        std::lock_guard lock(m_lock);
        m_open = false;
    }
    void open()
    {
        {
            std::lock_guard lock(m_lock);
            m_open = true;
        }
        m_changed.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(m_lock);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
    }
    // Waits until that many listings have reached the gate.
    bool waitEntered(int count)
    {
        std::unique_lock lock(m_lock);
        return mivtest::waitOnCondition(lock, m_changed, [&] { return m_entered >= count; });
    }
    int entered() const
    {
        std::lock_guard lock(m_lock);
        return m_entered;
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_entered = 0;
};

// A real local folder whose listing passes the gate first.
class GatedFolder : public MivOsxFileData
{
public:
    explicit GatedFolder(const LocalPath& local) : MivOsxFileData(local) {}

    static std::shared_ptr<GatedFolder> create(const QString& path, std::shared_ptr<ListingGate> gate)
    {
        auto folder = createWithPath<GatedFolder>(path);
        folder->m_gate = std::move(gate);
        return folder;
    }

    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override
    {
        m_gate->pass();
        return MivOsxFileData::listElementsToArray(array, params, callback, errorRes);
    }

private:
    std::shared_ptr<ListingGate> m_gate;
};

// Every notification the panel posts, in order.
class NotificationRecorder
{
public:
    explicit NotificationRecorder(const void* panel)
        : m_token(plat::NotificationCenter::defaultCenter().observe(QString(), panel, [this](const plat::Notification& n) {
              {
                  std::lock_guard lock(m_lock);
                  m_names.append(n.name);
                  if (n.name == QLatin1String(ksFilesTableContextChanged))
                      m_contexts.append(n.userInfo.value(QStringLiteral("context")).value<MivFileDataPtr>());
              }
              m_changed.notify_all();
          }))
    {
    }

    int count(const char* name) const
    {
        std::lock_guard lock(m_lock);
        return int(m_names.count(QString::fromLatin1(name)));
    }
    // The test thread is the GUI thread: these turn its loop while waiting.
    bool waitFor(const char* name, int count)
    {
        std::unique_lock lock(m_lock);
        return mivtest::waitOnCondition(lock, m_changed, [&] { return m_names.count(QString::fromLatin1(name)) >= count; });
    }
    // Every start has had its stop (the last stop comes after the handler).
    bool waitBalanced()
    {
        const QString start = QString::fromLatin1(ksFilesTableStartOperationNotification);
        const QString stop = QString::fromLatin1(ksFilesTableStopOperationNotification);
        std::unique_lock lock(m_lock);
        return mivtest::waitOnCondition(lock, m_changed, [&] { return m_names.count(start) == m_names.count(stop); });
    }
    QList<MivFileDataPtr> contexts() const
    {
        std::lock_guard lock(m_lock);
        return m_contexts;
    }
    void clear()
    {
        std::lock_guard lock(m_lock);
        m_names.clear();
        m_contexts.clear();
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    QStringList m_names;
    QList<MivFileDataPtr> m_contexts;
    plat::NotificationToken m_token;
};

// One panel of a loaded side over a temporary folder.
class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivFileDataManager::registerHooks();
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) {
            std::lock_guard lock(m_presentedLock);
            m_presented.append(error);
        });
        // Changes the tests make themselves must not start listings of their
        // own; the watch test shortens this.
        MivFileManager::sharedInstance().setWatchLatency(3600);
        ASSERT_TRUE(m_dir.isValid());
        m_entry = std::make_shared<MivContextEntry>();
        m_entry->setLoaded(true);
        m_panel = MivFilesViewController::create();
        m_panel->setEntry(m_entry);
        m_recorder = std::make_unique<NotificationRecorder>(m_panel.get());
    }
    void TearDown() override
    {
        m_recorder.reset();
        m_panel.reset();
        MivErrorPresenter::setPresentationHandler({});
        MivContext::resetForTesting();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    void makeFile(const QString& name, int bytes = 0)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(bytes, 'x'));
    }
    void makeFolder(const QString& name) { ASSERT_TRUE(QDir().mkpath(path(name))); }
    static MivFileDataPtr item(const QString& path) { return MivOsxFileData::createWithPath<MivOsxFileData>(path); }

    // A request with a completion handler: its future.
    std::future<bool> request(const MivFileDataPtr& folder, const MivSelectTarget& select = {}, bool force = false)
    {
        return requestIn(*m_panel, folder, select, force);
    }
    static std::future<bool> requestIn(MivFilesViewController& panel, const MivFileDataPtr& folder,
                                       const MivSelectTarget& select = {}, bool force = false)
    {
        auto done = std::make_shared<std::promise<bool>>();
        auto future = done->get_future();
        panel.populateTableData(folder, force, select, false,
                                [done](const auto&, bool success, const plat::Error&) { done->set_value(success); });
        return future;
    }
    static bool finished(std::future<bool>& future)
    {
        return mivtest::waitUntil([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    }
    bool list(const MivFileDataPtr& folder, const MivSelectTarget& select = {})
    {
        auto future = request(folder, select);
        EXPECT_TRUE(finished(future));
        const bool success = future.get();
        flushMainThread();
        return success;
    }
    // Work posted to the main thread before this call has run. The test's
    // thread is the main thread, where runOnMainThread runs a block at once:
    // a marker goes behind the posted work instead, and the loop turns until
    // it has run.
    static void flushMainThread()
    {
        auto ran = std::make_shared<std::atomic<bool>>(false);
        plat::MainDispatcher::instance()->post([ran] { ran->store(true); });
        EXPECT_TRUE(mivtest::waitUntil([&] { return ran->load(); }));
    }

    QStringList rowNames() const { return rowNamesOf(*m_panel); }
    static QStringList rowNamesOf(const MivFilesViewController& panel)
    {
        QStringList names;
        for (const auto& row : panel.files())
            names << (row->isUpFolderData() ? QStringLiteral("..") : row->name());
        return names;
    }
    QStringList markedNames() const
    {
        QStringList names;
        for (const auto& row : m_panel->resolveSelection())
            names << row->name();
        return names;
    }
    MivFileDataPtr row(const QString& name) const
    {
        for (const auto& r : m_panel->files())
            if (!r->isUpFolderData() && r->name() == name)
                return r;
        return nullptr;
    }
    // The row's place among the arranged rows, and the focus moved to a place.
    int rowOf(const QString& name) const { return m_panel->arrayController()->indexOfDataObject(row(name)); }
    void focusRow(int r) { m_panel->arrayController()->setSelectionIndex(r); }
    // The panel's list view shown with the keyboard focus, as keys reach it.
    MivFilesTableView* showFocusedTable()
    {
        MivFilesTableView* table = m_panel->filesTable();
        table->resize(400, 300);
        table->show();
        table->setFocus();
        return waitUntil([&] { return table->window()->focusWidget() == table; }) ? table : nullptr;
    }
    // Openings that keys started hold the panel on its queues until their
    // last step; a test ends after them.
    bool waitForOpenings()
    {
        return waitUntil([&] { return m_panel.use_count() == 1; });
    }
    void focus(const QString& name)
    {
        auto target = row(name);
        ASSERT_TRUE(target);
        MivExec::runOnMainThread([&] { m_panel->gotoRow(target); });
    }
    void expectBalanced() const { EXPECT_TRUE(m_recorder->waitBalanced()); }

    QList<plat::Error> presented() const
    {
        std::lock_guard lock(m_presentedLock);
        return m_presented;
    }

    QTemporaryDir m_dir;
    mutable std::mutex m_presentedLock;
    QList<plat::Error> m_presented;
    std::shared_ptr<MivContextEntry> m_entry;
    std::shared_ptr<MivFilesViewController> m_panel;
    std::unique_ptr<NotificationRecorder> m_recorder;
};

} // namespace mivtest
