#pragma once

#include "app/tabs/IMivSavedTab.h"
#include "app/tabs/MivTabItemModel.h"
#include "FileData/MivFileDataTypes.h"

#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class MivFilesViewController;

// One tab of a side: its file panel, the drive-segment key its folder
// belongs to, its lock state and the saved dictionary it was restored from.
// Lives on the GUI thread; its page belongs to the side's tab view.
class MivFileTabViewItem final : public IMivSavedTab
{
public:
    MivFileTabViewItem(std::shared_ptr<MivFilesViewController> panel, const QString& context);

    std::shared_ptr<MivFilesViewController> panel() const { return m_panel; }
    QWidget* view() const { return m_view; }
    void setView(QWidget* view) { m_view = view; }

    QString context() const { return m_context; }
    void setContext(const QString& context) { m_context = context; }
    // The key becomes the item's path key.
    void updateContext(const MivFileDataPtr& item);
    // Lists the item in the panel and takes its key.
    void reloadWithData(const MivFileDataPtr& item);

    // Clearing the lock clears the soft lock too.
    void setLocked(bool locked);
    void setSoftLocked(bool softLocked);
    void setLockContext(const QString& key) { m_lockContext = key; }
    // Kept without the lock keys; nullopt stays nullopt.
    void setLockContextData(const std::optional<QVariantMap>& data);
    std::optional<QVariantMap> lockContextDataIfAny() const { return m_lockContextData; }
    // "lock", "soft", and "ctx" and "data" when set.
    QVariantMap lockState() const;

    // The base label; a locked tab's label carries a lock mark in front.
    QString baseLabel() const { return m_baseLabel; }
    void setLabel(const QString& label);
    QString label() const;
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString& toolTip);

    void setStateData(const std::optional<QVariantMap>& data) { m_stateData = data; }
    void setStateLoaded(bool loaded) { m_stateLoaded = loaded; }
    // While its saved location is being resolved on the load queue.
    bool retrieving() const { return m_retrieving; }
    void setRetrieving(bool retrieving) { m_retrieving = retrieving; }

    MivTabItemModel& model() { return m_model; }

    // Told when the label or tool tip changes, so the tab bar redraws.
    void setChangeHandler(std::function<void(MivFileTabViewItem*)> handler) { m_changed = std::move(handler); }

    // IMivSavedTab
    bool locked() const override { return m_locked; }
    bool softLocked() const override { return m_softLocked; }
    QString lockContext() const override { return m_lockContext; }
    QVariantMap lockContextData() const override { return m_lockContextData.value_or(QVariantMap()); }
    MivFileDataPtr folder() const override;
    QString tabContext() const override { return m_context; }
    std::optional<QVariantMap> panelProfile() const override { return std::nullopt; }
    bool stateLoaded() const override { return m_stateLoaded; }
    std::optional<QVariantMap> stateData() const override { return m_stateData; }

private:
    void changed();

    std::shared_ptr<MivFilesViewController> m_panel;
    QPointer<QWidget> m_view;
    QString m_context;
    bool m_locked = false;
    bool m_softLocked = false;
    QString m_lockContext;
    std::optional<QVariantMap> m_lockContextData;
    std::optional<QVariantMap> m_stateData;
    bool m_stateLoaded = false;
    bool m_retrieving = false;
    QString m_baseLabel;
    QString m_toolTip;
    MivTabItemModel m_model;
    std::function<void(MivFileTabViewItem*)> m_changed;
};
