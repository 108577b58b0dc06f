#include "app/tabs/MivFileTabViewItem.h"

#include "app/panel/MivFilesViewController.h"
#include "FileData/MivFileData.h"

MivFileTabViewItem::MivFileTabViewItem(std::shared_ptr<MivFilesViewController> panel, const QString& context)
    : m_panel(std::move(panel)), m_context(context)
{
}

void MivFileTabViewItem::updateContext(const MivFileDataPtr& item)
{
    if (item)
        m_context = item->pathKey();
}

void MivFileTabViewItem::reloadWithData(const MivFileDataPtr& item)
{
    if (m_panel)
        m_panel->populateTableData(item);
    updateContext(item);
}

void MivFileTabViewItem::setLocked(bool locked)
{
    m_locked = locked;
    if (!locked)
        m_softLocked = false;
    changed();
}

void MivFileTabViewItem::setSoftLocked(bool softLocked)
{
    m_softLocked = softLocked;
    changed();
}

void MivFileTabViewItem::setLockContextData(const std::optional<QVariantMap>& data)
{
    if (!data) {
        m_lockContextData.reset();
        return;
    }
    QVariantMap copy = *data;
    for (const char* key : {"locked", "softLocked", "lockContext", "lockContextData"})
        copy.remove(QString::fromLatin1(key));
    m_lockContextData = copy;
}

QVariantMap MivFileTabViewItem::lockState() const
{
    QVariantMap state{{QStringLiteral("lock"), m_locked}, {QStringLiteral("soft"), m_softLocked}};
    if (!m_lockContext.isEmpty())
        state.insert(QStringLiteral("ctx"), m_lockContext);
    if (m_lockContextData)
        state.insert(QStringLiteral("data"), *m_lockContextData);
    return state;
}

void MivFileTabViewItem::setLabel(const QString& label)
{
    m_baseLabel = label;
    changed();
}

QString MivFileTabViewItem::label() const
{
    if (!m_locked)
        return m_baseLabel;
    // Text marks: the lock glyphs of the original system font do not exist here.
    return (m_softLocked ? QStringLiteral("[*]") : QStringLiteral("*")) + m_baseLabel;
}

void MivFileTabViewItem::setToolTip(const QString& toolTip)
{
    m_toolTip = toolTip;
    changed();
}

MivFileDataPtr MivFileTabViewItem::folder() const
{
    if (!m_panel)
        return nullptr;
    if (MivFileDataPtr shown = m_panel->context())
        return shown;
    return m_panel->tmpContext();
}

void MivFileTabViewItem::changed()
{
    if (m_changed)
        m_changed(this);
}
