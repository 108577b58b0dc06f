#include "app/tabs/MivDriveButtonBar.h"

#include "app/settings/MivContext.h"
#include "app/views/MivIconRenderer.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileRootData.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivImageUtils.h"
#include "FileData/MivRemoteTypes.h"
#include "FileData/NetFileData/MivMountDataFile.h"
#include "FileData/NetFileData/MivServiceData.h"
#include "platform/PathString.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

#include <algorithm>

MivDriveButtonBar::MivDriveButtonBar(QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)), m_layout(new QHBoxLayout(this))
{
    m_group->setExclusive(true);
    m_layout->setContentsMargins(2, 0, 2, 0);
    m_layout->setSpacing(2);
    m_layout->addStretch(1);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit selectedSegmentChanged(id);
    });
    rebuild();
}

MivDriveButtonBar::~MivDriveButtonBar() = default;

void MivDriveButtonBar::rebuild()
{
    QList<MivFileDataPtr> items;
    if (auto home = MivFileDataManager::makeFreshInstanceForString(
            MivContext::realFileSystemPathFor(plat::PathString::homeDirectory()), true)) {
        home->setIcon(MivImageUtils::sysIconNamed(QStringLiteral("HomeFolderIcon")));
        items.append(home);
    }
    for (const MivFileDataPtr& volume : MivFileUtils::driveVolumes(true)) {
        if (volume)
            items.append(volume);
    }
    for (const char* name : {ksMivBonjourDataName, ksMivNetworkDataName}) {
        if (auto root = MivFileDataManager::makeFreshInstanceForString(QString::fromLatin1(name), true))
            items.append(root);
    }
    std::lock_guard lock(m_mutex);
    m_buttonsData = items;
    updateSorted();
}

void MivDriveButtonBar::updateSorted()
{
    m_sortedButtonsData = m_buttonsData;
    std::stable_sort(m_sortedButtonsData.begin(), m_sortedButtonsData.end(),
                     [](const MivFileDataPtr& a, const MivFileDataPtr& b) {
                         return a->pathKey().size() > b->pathKey().size();
                     });
}

void MivDriveButtonBar::reload()
{
    const QList<MivFileDataPtr> items = buttonsData();
    for (QToolButton* button : std::as_const(m_buttons)) {
        m_group->removeButton(button);
        delete button;
    }
    m_buttons.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFixedWidth(kSegmentWidth);
        m_group->addButton(button, i);
        m_layout->insertWidget(i, button);
        m_buttons.append(button);
        configureDriveButtonSegment(i, items.at(i));
    }
}

int MivDriveButtonBar::segmentCount() const
{
    return std::max<int>(1, static_cast<int>(m_buttons.size()));
}

int MivDriveButtonBar::selectedSegment() const
{
    return m_group->checkedId();
}

void MivDriveButtonBar::setSelectedSegment(int segment)
{
    if (segment < 0 || segment >= m_buttons.size()) {
        if (QAbstractButton* checked = m_group->checkedButton()) {
            m_group->setExclusive(false);
            checked->setChecked(false);
            m_group->setExclusive(true);
        }
        return;
    }
    m_buttons.at(segment)->setChecked(true);
}

void MivDriveButtonBar::configureDriveButtonSegment(int segment, const MivFileDataPtr& item)
{
    MivExec::runOnMainThread([&] {
        if (!item || segment < 0 || segment >= m_buttons.size())
            return;
        QToolButton* button = m_buttons.at(segment);
        button->setIcon(QIcon(MivIconRenderer::pixmapFor(item->icon(), QSize(kIconSize, kIconSize),
                                                         devicePixelRatioF())));
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setToolTip(item->name());
    });
}

QList<MivFileDataPtr> MivDriveButtonBar::buttonsData() const
{
    std::lock_guard lock(m_mutex);
    return m_buttonsData;
}

MivFileDataPtr MivDriveButtonBar::fileDataContextAtIndex(int segment) const
{
    std::lock_guard lock(m_mutex);
    if (segment < 0 || segment >= m_buttonsData.size())
        return nullptr;
    return m_buttonsData.at(segment);
}

int MivDriveButtonBar::segmentOfItemLocked(const MivFileDataPtr& item) const
{
    return static_cast<int>(m_buttonsData.indexOf(item));
}

int MivDriveButtonBar::buttonForKeyLocked(const QString& key) const
{
    for (const MivFileDataPtr& item : m_sortedButtonsData) {
        if (item->pathKey() == key)
            return segmentOfItemLocked(item);
    }
    return -1;
}

int MivDriveButtonBar::buttonForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    return buttonForKeyLocked(key);
}

bool MivDriveButtonBar::keyHoldsKey(const QString& segmentKey, const QString& key)
{
    if (segmentKey.isEmpty() || !key.startsWith(segmentKey))
        return false;
    return key.size() == segmentKey.size() || segmentKey.endsWith(QLatin1Char('/')) ||
           key.at(segmentKey.size()) == QLatin1Char('/');
}

int MivDriveButtonBar::bestButtonForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    for (const MivFileDataPtr& item : m_sortedButtonsData) {
        const auto* share = dynamic_cast<const MivMountDataFile*>(item.get());
        if (!share)
            continue;
        if (keyHoldsKey(item->pathKey(), key) || (share->base() && keyHoldsKey(share->base()->pathKey(), key)))
            return segmentOfItemLocked(item);
    }
    const qsizetype schemeEnd = key.indexOf(QLatin1String("://"));
    if (schemeEnd >= 0) {
        const QString scheme = key.left(schemeEnd);
        if (scheme == QLatin1String(ksUnknownRemoteType) || !MivServiceData::serviceTypeForScheme(scheme).isEmpty())
            return buttonForKeyLocked(QString::fromLatin1(ksMivNetworkDataName));
    }
    for (const MivFileDataPtr& item : m_sortedButtonsData) {
        if (keyHoldsKey(item->pathKey(), key))
            return segmentOfItemLocked(item);
    }
    return -1;
}

MivFileDataPtr MivDriveButtonBar::driveContextForKey(const QString& key) const
{
    return fileDataContextAtIndex(bestButtonForKey(key));
}

void MivDriveButtonBar::selectSegmentWithContext(const QString& key)
{
    MivExec::runOnMainThread([&] {
        const int segment = buttonForKey(key);
        if (segment >= 0 && segment < m_buttons.size())
            setSelectedSegment(segment);
    });
}

void MivDriveButtonBar::close()
{
    for (const MivFileDataPtr& item : buttonsData()) {
        item->close();
        if (auto* root = dynamic_cast<MivFileRootData*>(item.get()))
            root->shutdown();
    }
}
