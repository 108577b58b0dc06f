#include "app/settings/MivContext.h"

#include "FileData/MivFileDataHelpers.h"
#include "app/settings/MivArchiveCoding.h"
#include "app/plugins/MivSvnDataManager.h"
#include "app/settings/MivDefaultColorRules.h"
#include "app/settings/MivUpdateCheckAdapter.h"
#include "platform/KeyedArchive.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/NotificationCenter.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <chrono>

namespace {

// Serialises installing a context with writing the archive, so a load never
// overlaps a save. Recursive: a save may make the shared instance first.
std::recursive_mutex& settingsLock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::mutex& hooksLock()
{
    static std::mutex lock;
    return lock;
}

struct Hooks
{
    std::function<void()> beforeSave;
    std::function<void()> toolsChanged;
    std::function<void()> pluginsChanged;
};

Hooks& hooks()
{
    static Hooks h;
    return h;
}

void callHook(std::function<void()> Hooks::*which)
{
    std::function<void()> hook;
    {
        std::lock_guard guard(hooksLock());
        hook = hooks().*which;
    }
    if (hook)
        hook();
}

std::shared_ptr<MivContext>& sharedSlot()
{
    static std::shared_ptr<MivContext> slot;
    return slot;
}

std::mutex& sharedSlotLock()
{
    static std::mutex lock;
    return lock;
}

// Each loadContext starts a new generation; a pending periodic save of an
// older one does nothing, which is how the earlier timer is invalidated.
std::atomic<quint64> g_saveGeneration{0};
std::atomic<bool> g_savingStopped{false};

QString fontconfigFamily(const char* pattern)
{
    FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    if (!request)
        return QString();
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    QString family;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(request);
    return family;
}

void scheduleSave(quint64 generation)
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (!dispatcher) {
        MIV_LOG_WARN(QStringLiteral("No main dispatcher: settings are saved at quit only"));
        return;
    }
    const auto interval = std::chrono::milliseconds(qint64(MivContext::kSaveInterval * 1000));
    dispatcher->postDelayed(interval, [generation] {
        if (g_saveGeneration.load() != generation)
            return;
        MivContext::saveSettings();
        scheduleSave(generation);
    });
}

QVariant numberOrAbsent(const QVariant& value)
{
    return plat::KeyedUnarchiver::isNumber(value) ? value : QVariant();
}

} // namespace

MivContext::MivContext() = default;

MivContext::~MivContext() = default;

std::shared_ptr<MivContext> MivContext::create()
{
    initialize();
    std::shared_ptr<MivContext> context(new MivContext());
    context->m_updateCheckAdapter = std::make_shared<MivUpdateCheckAdapter>();
    const QStringList svnClients = MivSvnDataManager::availablePlugins();
    if (!svnClients.isEmpty())
        context->m_svnVersion = svnClients.first();
    std::weak_ptr<MivContext> weak = context;
    // The appearance changes colours; the scheme choice follows it.
    context->m_themeObserver = plat::NotificationCenter::defaultCenter().observe(
        QStringLiteral("EffectiveAppearanceChangedNotification"), nullptr, [weak](const plat::Notification& notification) {
            if (const auto self = weak.lock()) {
                MIV_LOG_INFO(QStringLiteral("Current theme changed: %1").arg(notification.name));
                self->updateColors();
            }
        });
    return context;
}

// --- Plain properties ---

#define MIV_DEFINE_PROPERTY(Type, name, setter, initial, notify) \
    Type MivContext::name() const                              \
    {                                                          \
        std::lock_guard guard(m_fieldsLock);                   \
        return m_##name;                                       \
    }                                                          \
    void MivContext::setter(const Type& newValue)              \
    {                                                          \
        {                                                      \
            std::lock_guard guard(m_fieldsLock);               \
            m_##name = newValue;                               \
        }                                                      \
        post(Notify::notify);                                  \
    }
MIV_CONTEXT_PROPERTIES(MIV_DEFINE_PROPERTY)
#undef MIV_DEFINE_PROPERTY

QString MivContext::notificationName(Notify notify)
{
    switch (notify) {
    case Notify::None:
        return QString();
    case Notify::Font:
        return QStringLiteral("FontPreferencesChangeNotification");
    case Notify::FileTable:
        return QStringLiteral("FileTablePreferencesChangeNotification");
    case Notify::FileTableRefresh:
        return QStringLiteral("FileTableRefreshPreferencesChangeNotification");
    case Notify::PanelStructure:
        return QStringLiteral("PanelStructureChangedNotification");
    case Notify::Sidebar:
        return QStringLiteral("SidebarPreferencesChangeNotification");
    case Notify::Tabs:
        return QStringLiteral("TabsPreferencesChangeNotification");
    }
    return QString();
}

void MivContext::post(Notify notify)
{
    switch (notify) {
    case Notify::None:
        return;
    case Notify::FileTable:
        postTablePreferencesChangedNotification();
        return;
    case Notify::FileTableRefresh:
        postTableRefreshPreferencesChangedNotification();
        return;
    default:
        plat::NotificationCenter::defaultCenter().post(notificationName(notify), this);
    }
}

void MivContext::postTablePreferencesChangedNotification()
{
    MIV_LOG_DEBUG(QStringLiteral("== POST FileTablePreferencesChanged Notification =="));
    plat::NotificationCenter::defaultCenter().post(notificationName(Notify::FileTable), this);
}

void MivContext::postTableRefreshPreferencesChangedNotification()
{
    MIV_LOG_DEBUG(QStringLiteral("== POST FileTableRefreshPreferencesChanged Notification =="));
    plat::NotificationCenter::defaultCenter().post(notificationName(Notify::FileTableRefresh), this);
}

// --- Other properties ---

std::shared_ptr<MivContextEntry> MivContext::left() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_left;
}

void MivContext::setLeft(std::shared_ptr<MivContextEntry> entry)
{
    std::lock_guard guard(m_fieldsLock);
    m_left = std::move(entry);
}

std::shared_ptr<MivContextEntry> MivContext::right() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_right;
}

void MivContext::setRight(std::shared_ptr<MivContextEntry> entry)
{
    std::lock_guard guard(m_fieldsLock);
    m_right = std::move(entry);
}

bool MivContext::enableGIT() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_enableGIT;
}

void MivContext::setEnableGIT(bool enable)
{
    {
        std::lock_guard guard(m_fieldsLock);
        m_enableGIT = enable;
    }
    {
        std::lock_guard guard(m_pluginsLock);
        m_plugins.reset();
    }
    callHook(&Hooks::pluginsChanged);
}

bool MivContext::enableSVN() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_enableSVN;
}

void MivContext::setEnableSVN(bool enable)
{
    {
        std::lock_guard guard(m_fieldsLock);
        m_enableSVN = enable;
    }
    {
        std::lock_guard guard(m_pluginsLock);
        m_plugins.reset();
    }
    callHook(&Hooks::pluginsChanged);
}

QList<MivToolDef> MivContext::tools() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_tools;
}

void MivContext::setTools(const QList<MivToolDef>& tools)
{
    {
        std::lock_guard guard(m_fieldsLock);
        m_tools = tools;
    }
    updateTools();
}

void MivContext::updateTools()
{
    callHook(&Hooks::toolsChanged);
}

void MivContext::setToolsChangedHook(std::function<void()> hook)
{
    std::lock_guard guard(hooksLock());
    hooks().toolsChanged = std::move(hook);
}

void MivContext::setPluginsChangedHook(std::function<void()> hook)
{
    std::lock_guard guard(hooksLock());
    hooks().pluginsChanged = std::move(hook);
}

void MivContext::setBeforeSaveHook(std::function<void()> hook)
{
    std::lock_guard guard(hooksLock());
    hooks().beforeSave = std::move(hook);
}

QMap<QString, MivShortcutEntry> MivContext::shortcuts() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_shortcuts;
}

void MivContext::setShortcuts(const QMap<QString, MivShortcutEntry>& shortcuts)
{
    std::lock_guard guard(m_fieldsLock);
    m_shortcuts = shortcuts;
}

std::optional<QVariantMap> MivContext::lightColors() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_lightColors;
}

void MivContext::setLightColors(std::optional<QVariantMap> scheme)
{
    std::lock_guard guard(m_fieldsLock);
    m_lightColors = std::move(scheme);
}

std::optional<QVariantMap> MivContext::darkColors() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_darkColors;
}

void MivContext::setDarkColors(std::optional<QVariantMap> scheme)
{
    std::lock_guard guard(m_fieldsLock);
    m_darkColors = std::move(scheme);
}

QVariantMap MivContext::dict() const
{
    std::lock_guard guard(m_dictLock);
    return m_dict;
}

void MivContext::setDictObject(const QVariant& object, const QString& forKey)
{
    if (!object.isValid() || forKey.isNull())
        return;
    std::lock_guard guard(m_dictLock);
    m_dict.insert(forKey, object);
}

// --- Operations ---

void MivContext::initContext()
{
    createDefaultColorConfiguration();
    registerKeys();
}

void MivContext::toggleDualMode()
{
    {
        std::lock_guard guard(m_fieldsLock);
        m_dualMode = m_dualMode >= 3 ? 0 : m_dualMode + 1;
    }
    post(Notify::PanelStructure);
}

int MivContext::sidebarControlSize() const
{
    const QVariant size = sidebarIconsSize();
    if (!plat::KeyedUnarchiver::isNumber(size))
        return 1;
    const qint64 value = size.toLongLong();
    return value == 0 ? 2 : value == 2 ? 0 : 1;
}

plat::SortDescriptor MivContext::caseSensitiveNameSortDescriptorForColumn(const QString& key) const
{
    return plat::SortDescriptor{key, true,
                                caseSensitiveNameSorting() ? plat::SortDescriptor::Comparison::Literal
                                                           : plat::SortDescriptor::Comparison::LocalizedStandard};
}

void MivContext::updateFavsFromEntry(MivContextEntry& entry)
{
    if (!commonFavs() || !entry.hasFavs())
        return;
    const QList<MivFavsEntryData> favs = entry.favs();
    if (const auto l = left())
        l->setFavs(favs);
    if (const auto r = right())
        r->setFavs(favs);
}

void MivContext::updateHistoryFromEntry(MivContextEntry& entry)
{
    if (!commonHistory() || !entry.hasHistory())
        return;
    const QList<QUrl> history = entry.history();
    if (const auto l = left())
        l->setHistory(history);
    if (const auto r = right())
        r->setHistory(history);
}

QRectF MivContext::updateCellMargin(const QRectF& rect)
{
    const double m = double(context()->tableRowHeightMargin());
    return QRectF(rect.x(), rect.y() + m, rect.width(), rect.height() - 2 * m);
}

void MivContext::setFileOperationContext(const std::shared_ptr<MivFileDataOpener>& context)
{
    {
        std::lock_guard guard(m_fieldsLock);
        m_fileOperationContext = context;
    }
    MivFileDataHelpers::registerFileDataOpener(context);
}

std::shared_ptr<MivFileDataOpener> MivContext::fileOperationContext() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_fileOperationContext.lock();
}

QString MivContext::defaultFontFamily()
{
    static const QString family = [] {
        const QString found = fontconfigFamily("sans-serif");
        return found.isEmpty() ? QStringLiteral("Sans Serif") : found;
    }();
    return family;
}

QString MivContext::defaultFixedFontFamily()
{
    static const QString family = [] {
        const QString found = fontconfigFamily("monospace");
        return found.isEmpty() ? QStringLiteral("Monospace") : found;
    }();
    return family;
}

bool MivContext::fontExists(const QString& family)
{
    if (family.isEmpty())
        return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

// --- The shared instance ---

std::shared_ptr<MivContext> MivContext::context()
{
    {
        std::lock_guard guard(sharedSlotLock());
        if (sharedSlot())
            return sharedSlot();
    }
    // Two first callers must not each install a default: test again under
    // the settings lock, which load takes as well (it is recursive).
    std::lock_guard settings(settingsLock());
    {
        std::lock_guard guard(sharedSlotLock());
        if (sharedSlot())
            return sharedSlot();
    }
    load(nullptr);
    std::lock_guard guard(sharedSlotLock());
    return sharedSlot();
}

void MivContext::load(std::shared_ptr<MivContext> context)
{
    MIV_LOG_INFO(QStringLiteral("Load context from data: %1").arg(context ? QStringLiteral("MivContext") : QStringLiteral("(null)")));
    std::lock_guard guard(settingsLock());
    if (!context)
        context = create();
    {
        std::lock_guard slot(sharedSlotLock());
        sharedSlot() = context;
    }
    initContextWithRegistration(context);
}

void MivContext::initContextWithRegistration(const std::shared_ptr<MivContext>& context)
{
    context->initContext();
    MivFileDataHelpers::registerFileDataPropertiesProvider(context);
    MivFileDataHelpers::registerFileDataGuiHandler(context);
}

void MivContext::resetForTesting()
{
    g_saveGeneration.fetch_add(1);
    g_savingStopped.store(false);
    setPendingSettingsImport(nullptr);
    std::lock_guard guard(settingsLock());
    std::lock_guard slot(sharedSlotLock());
    sharedSlot().reset();
}

// --- The archive ---

QString MivContext::pathForContextDataFile()
{
    return plat::PathString::appendingPathComponent(programFolderPath(), QStringLiteral("mivo-data-demo.plist"));
}

void MivContext::loadContext()
{
    const QString path = pathForContextDataFile();
    MIV_LOG_INFO(QStringLiteral("Loading context from file '%1'").arg(path));
    plat::Error error;
    std::shared_ptr<MivContext> decoded;
    if (const auto root = plat::KeyedArchive::readFile(path, &error)) {
        decoded = initWithCoder(*root);
        if (!decoded)
            MIV_LOG_ERROR(QStringLiteral("'%1' holds no settings; starting from defaults").arg(path));
    } else if (!error.isNull()) {
        MIV_LOG_ERROR(QStringLiteral("Cannot read settings '%1', starting from defaults: %2").arg(path, error.description()));
    }
    load(decoded);
    g_savingStopped.store(false);
    scheduleSave(g_saveGeneration.fetch_add(1) + 1);
}

void MivContext::stopSaving()
{
    g_saveGeneration.fetch_add(1);
    // Under the lock, so a save that is writing now is done when this returns.
    std::lock_guard guard(settingsLock());
    g_savingStopped.store(true);
}

void MivContext::saveSettings()
{
    MIV_LOG_INFO(QStringLiteral("Save app's settings on timer"));
    saveContext();
}

bool MivContext::saveContext()
{
    const auto stopped = [] {
        if (!g_savingStopped.load())
            return false;
        MIV_LOG_INFO(QStringLiteral("Settings are not saved: an import replaces them"));
        return true;
    };
    if (stopped())
        return false;
    callHook(&Hooks::beforeSave);
    const QString path = pathForContextDataFile();
    std::lock_guard guard(settingsLock());
    // Again under the lock: a save that waited here while saving stopped
    // must not write.
    if (stopped())
        return false;
    const auto shared = context();
    MIV_LOG_DEBUG(QStringLiteral("Writing context to '%1' %2").arg(path, QStringLiteral("MivContext")));
    plat::Error error;
    // Written whole beside the old file and renamed over it: a crash or a
    // full disk leaves the previous settings readable.
    if (!plat::KeyedArchive::writeFile(path, shared->encodeWithCoder(), &error)) {
        MIV_LOG_ERROR(QStringLiteral("Cannot save settings to '%1': %2").arg(path, error.description()));
        return false;
    }
    return true;
}

plat::ArchivedObject MivContext::encodeWithCoder() const
{
    plat::KeyedArchiver c(QStringLiteral("MivContext"));
    const auto number = [](auto v) { return QVariant(quint64(v)); };
    const auto entryObject = [](const std::shared_ptr<MivContextEntry>& entry) {
        return entry ? QVariant::fromValue(entry->encodeWithCoder()) : QVariant();
    };
    const auto scheme = [](const std::optional<QVariantMap>& s) { return s ? MivArchiveCoding::toArchive(*s) : QVariant(); };

    c.encodeBool(QStringLiteral("isFullScreen"), isFullScreen());
    c.encodeObject(QStringLiteral("svnVersion"), svnVersion());
    c.encodeBool(QStringLiteral("hideTitlebar"), hideTitlebar());
    c.encodeBool(QStringLiteral("showSquareBrackets"), showSquareBrackets());
    c.encodeBool(QStringLiteral("showParentDir"), showParentDir());
    c.encodeInt64(QStringLiteral("tableRowHeightMargin"), tableRowHeightMargin());
    c.encodeInt64(QStringLiteral("lastFilterOperation"), lastFilterOperation());
    c.encodeInt64(QStringLiteral("openTabPlacementOption"), openTabPlacementOption());
    c.encodeInt64(QStringLiteral("overwriteOption"), overwriteOption());
    c.encodeObject(QStringLiteral("compressorOption"), compressorOption());
    c.encodeBool(QStringLiteral("enableSVN"), enableSVN());
    c.encodeBool(QStringLiteral("enableGIT"), enableGIT());
    c.encodeBool(QStringLiteral("calculateAllSizes"), calculateAllSizes());
    c.encodeBool(QStringLiteral("useTrash"), useTrash());
    c.encodeBool(QStringLiteral("useLocalizedNames"), useLocalizedNames());
    c.encodeBool(QStringLiteral("dontShowFullDiskAccessInfo"), dontShowFullDiskAccessInfo());
    c.encodeBool(QStringLiteral("dirCountInFooter"), dirCountInFooter());
    c.encodeBool(QStringLiteral("opersOnDock"), opersOnDock());
    c.encodeBool(QStringLiteral("panelAnimation"), panelAnimation());
    c.encodeBool(QStringLiteral("synchPanelTablesSettings"), synchPanelTablesSettings());
    c.encodeBool(QStringLiteral("openTabAnimation"), openTabAnimation());
    c.encodeBool(QStringLiteral("confirmCopy"), confirmCopy());
    c.encodeBool(QStringLiteral("confirmDelete"), confirmDelete());
    c.encodeBool(QStringLiteral("doInBackground"), doInBackground());
    c.encodeBool(QStringLiteral("doMergeFolders"), doMergeFolders());
    c.encodeBool(QStringLiteral("doCopyPermissions"), doCopyPermissions());
    QVariantList toolList;
    for (const MivToolDef& tool : tools())
        toolList.append(QVariant::fromValue(tool.encodeWithCoder()));
    c.encodeObject(QStringLiteral("tools"), toolList);
    c.encodeObject(QStringLiteral("colors"), scheme(lightColors()));
    c.encodeObject(QStringLiteral("dark-colors"), scheme(darkColors()));
    c.encodeBool(QStringLiteral("alternate"), alternate());
    c.encodeInt32(QStringLiteral("tabConstantSize"), tabConstantSize());
    c.encodeObject(QStringLiteral("tabStyle"), tabStyle());
    c.encodeInt32(QStringLiteral("maxHistoryEntries"), maxHistoryEntries());
    c.encodeBool(QStringLiteral("tabVariableSize"), tabVariableSize());
    c.encodeBool(QStringLiteral("commonFavs"), commonFavs());
    c.encodeBool(QStringLiteral("addOpenedDocumentsToRecent"), addOpenedDocumentsToRecent());
    c.encodeBool(QStringLiteral("commonHistory"), commonHistory());
    c.encodeBool(QStringLiteral("showHighlight"), showHighlightOnInactive());
    c.encodeBool(QStringLiteral("horizontalGrid"), showHorizontalGrid());
    c.encodeBool(QStringLiteral("verticalGrid"), showVerticalGrid());
    c.encodeBool(QStringLiteral("dualVertical"), dualVertical());
    c.encodeBool(QStringLiteral("boldFolders"), boldFolders());
    c.encodeBool(QStringLiteral("foldersAlwaysByName"), foldersAlwaysByName());
    c.encodeBool(QStringLiteral("showLabelAsCircle"), showLabelAsCircle());
    c.encodeBool(QStringLiteral("foldersFirst"), foldersFirst());
    c.encodeBool(QStringLiteral("packagesFirst"), packagesFirst());
    c.encodeBool(QStringLiteral("iconPreview"), iconPreview());
    c.encodeBool(QStringLiteral("caseSensitiveNameSorting"), caseSensitiveNameSorting());
    c.encodeObject(QStringLiteral("fileSizeCalculationFormat"), number(fileSizeCalculationFormat()));
    c.encodeObject(QStringLiteral("permsFormat"), number(permissionFormat()));
    c.encodeObject(QStringLiteral("defEnc"), number(newFileEncoding()));
    c.encodeObject(QStringLiteral("othEnc"), number(cannotGuesEncoding()));
    c.encodeObject(QStringLiteral("extOption"), number(extEditorOption()));
    if (extEditors().isValid())
        c.encodeObject(QStringLiteral("extEditors"), extEditors());
    c.encodeObject(QStringLiteral("extPath"), extEditorPath());
    c.encodeObject(QStringLiteral("extViewOption"), number(extViewOption()));
    c.encodeObject(QStringLiteral("extViewPath"), extViewPath());
    c.encodeObject(QStringLiteral("fontSize"), fontSize());
    c.encodeObject(QStringLiteral("fontName"), fontName());
    c.encodeObject(QStringLiteral("dateFormat"), dateFormat());
    c.encodeObject(QStringLiteral("editorFontSize"), editorFontSize());
    c.encodeObject(QStringLiteral("editorFontName"), editorFontName());
    c.encodeObject(QStringLiteral("left"), entryObject(left()));
    c.encodeObject(QStringLiteral("right"), entryObject(right()));
    c.encodeBool(QStringLiteral("sideBar"), sideBarVisible());
    c.encodeBool(QStringLiteral("statusBar"), statusBarVisible());
    c.encodeBool(QStringLiteral("commandLine"), commandLineVisible());
    c.encodeBool(QStringLiteral("actionBar"), actionBarVisible());
    c.encodeInt32(QStringLiteral("dualMode2"), dualMode());
    c.encodeInt64(QStringLiteral("maxSimultaneousTransfers"), maxSimultaneousTransfers());
    c.encodeBool(QStringLiteral("startPausedFileOperations"), startPausedFileOperations());
    c.encodeBool(QStringLiteral("queueFileOperations"), queueFileOperations());
    c.encodeInt64(QStringLiteral("tableHighlight"), tableHighlight());
    c.encodeInt64(QStringLiteral("dividerThicknes"), dividerThicknes());
    c.encodeInt64(QStringLiteral("sizeDisplayFormat"), sizeDisplayFormat());
    c.encodeBool(QStringLiteral("textWrap"), textWrap());
    c.encodeBool(QStringLiteral("lineNoView"), lineNoView());
    c.encodeObject(QStringLiteral("dictionary"), MivArchiveCoding::toArchive(dict()));
    c.encodeObject(QStringLiteral("sandboxCtx"), sandboxContext());
    c.encodeObject(QStringLiteral("sideBarIconsSize"), sidebarIconsSize());
    QVariantMap shortcutMap;
    const auto shortcutEntries = shortcuts();
    for (auto it = shortcutEntries.cbegin(); it != shortcutEntries.cend(); ++it)
        shortcutMap.insert(it.key(), QVariant::fromValue(it.value().encodeWithCoder()));
    c.encodeObject(QStringLiteral("otherShortcuts"), shortcutMap);
    c.encodeBool(QStringLiteral("treatPckgAsFld"), treatPackagesAsFolders());
    c.encodeBool(QStringLiteral("quickSearchBeginning"), quickSearchBeginning());
    c.encodeBool(QStringLiteral("quickSearchEnding"), quickSearchEnding());
    c.encodeInt64(QStringLiteral("quickSearchOption"), quickSearchOption());
    return c.object();
}

namespace {

// The migration that replaced the tab style and the colouring rules once.
const QString kMigrationKey = QStringLiteral("migrated_1.13.4");

std::optional<QVariantMap> decodeScheme(const plat::KeyedUnarchiver& c, const QString& key)
{
    const QVariant value = MivArchiveCoding::fromArchive(c.decodeObject(key));
    if (value.metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

// Reads a font pair by the archive's rule: both values are taken only when
// a font of that family exists; otherwise both keep their defaults.
void decodeFont(const plat::KeyedUnarchiver& c, const QString& sizeKey, const QString& nameKey, QVariant& size, QString& name)
{
    QVariant newSize = c.containsValueForKey(sizeKey) ? numberOrAbsent(c.decodeObject(sizeKey)) : QVariant();
    const QVariant newName = c.containsValueForKey(nameKey) ? c.decodeObject(nameKey) : QVariant();
    if (!newSize.isValid())
        newSize = size.isValid() ? size : QVariant(12.0);
    if (newName.metaType().id() != QMetaType::QString || !MivContext::fontExists(newName.toString()))
        return;
    name = newName.toString();
    size = newSize;
}

} // namespace

std::shared_ptr<MivContext> MivContext::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String("MivContext"))
        return nullptr;
    const plat::KeyedUnarchiver c(object);
    auto context = create();
    MivContext& x = *context;
    const auto has = [&c](const char* key) { return c.containsValueForKey(QString::fromLatin1(key)); };
    const auto readBool = [&](const char* key, bool& field) {
        if (has(key))
            field = c.decodeBool(QString::fromLatin1(key));
    };
    const auto readInt32 = [&](const char* key, qint32& field) {
        if (has(key))
            field = c.decodeInt32(QString::fromLatin1(key));
    };
    const auto readInt64 = [&](const char* key, qint64& field) {
        if (has(key))
            field = c.decodeInt64(QString::fromLatin1(key));
    };
    // An absent object in the archive makes the text absent; a value of
    // another kind is not taken.
    const auto readString = [&](const char* key, QString& field) {
        if (!has(key))
            return;
        const QVariant value = c.decodeObject(QString::fromLatin1(key));
        if (!value.isValid())
            field = QString();
        else if (value.metaType().id() == QMetaType::QString)
            field = value.toString();
    };
    const auto readSigned = [&](const char* key, qint64& field) {
        if (const auto v = plat::KeyedUnarchiver::integerValue(c.decodeObject(QString::fromLatin1(key))))
            field = *v;
    };
    const auto readUnsigned = [&](const char* key, quint64& field) {
        if (const auto v = plat::KeyedUnarchiver::unsignedValue(c.decodeObject(QString::fromLatin1(key))))
            field = *v;
    };

    readBool("isFullScreen", x.m_isFullScreen);
    readString("svnVersion", x.m_svnVersion);
    readBool("hideTitlebar", x.m_hideTitlebar);
    readBool("showSquareBrackets", x.m_showSquareBrackets);
    readBool("showParentDir", x.m_showParentDir);
    readInt64("tableRowHeightMargin", x.m_tableRowHeightMargin);
    readInt64("lastFilterOperation", x.m_lastFilterOperation);
    readInt64("openTabPlacementOption", x.m_openTabPlacementOption);
    readInt64("overwriteOption", x.m_overwriteOption);
    readString("compressorOption", x.m_compressorOption);
    readBool("enableSVN", x.m_enableSVN);
    readBool("enableGIT", x.m_enableGIT);
    readBool("calculateAllSizes", x.m_calculateAllSizes);
    readBool("useTrash", x.m_useTrash);
    readBool("useLocalizedNames", x.m_useLocalizedNames);
    readBool("dontShowFullDiskAccessInfo", x.m_dontShowFullDiskAccessInfo);
    readBool("dirCountInFooter", x.m_dirCountInFooter);
    readBool("opersOnDock", x.m_opersOnDock);
    readBool("panelAnimation", x.m_panelAnimation);
    readBool("synchPanelTablesSettings", x.m_synchPanelTablesSettings);
    readBool("openTabAnimation", x.m_openTabAnimation);
    readBool("confirmCopy", x.m_confirmCopy);
    readBool("confirmDelete", x.m_confirmDelete);
    readBool("doInBackground", x.m_doInBackground);
    readBool("doMergeFolders", x.m_doMergeFolders);
    readBool("doCopyPermissions", x.m_doCopyPermissions);
    if (has("tools")) {
        x.m_tools.clear();
        for (const QVariant& item : c.decodeObject(QStringLiteral("tools")).toList()) {
            if (item.metaType() != QMetaType::fromType<plat::ArchivedObject>())
                continue;
            if (auto tool = MivToolDef::initWithCoder(item.value<plat::ArchivedObject>()))
                x.m_tools.append(*tool);
        }
    }

    // 1. Colour schemes; a dark scheme missing beside a light one becomes
    // a separate copy of it (values, so the copy is deep).
    if (has("colors"))
        x.m_lightColors = decodeScheme(c, QStringLiteral("colors"));
    if (has("dark-colors"))
        x.m_darkColors = decodeScheme(c, QStringLiteral("dark-colors"));
    if (x.m_lightColors && !x.m_darkColors)
        x.m_darkColors = MivArchiveCoding::fromArchive(MivArchiveCoding::toArchive(*x.m_lightColors)).toMap();

    readBool("alternate", x.m_alternate);
    readInt32("tabConstantSize", x.m_tabConstantSize);
    readString("tabStyle", x.m_tabStyle);
    readInt32("maxHistoryEntries", x.m_maxHistoryEntries);
    readBool("tabVariableSize", x.m_tabVariableSize);
    readBool("commonFavs", x.m_commonFavs);
    readBool("addOpenedDocumentsToRecent", x.m_addOpenedDocumentsToRecent);
    readBool("commonHistory", x.m_commonHistory);
    readBool("showHighlight", x.m_showHighlightOnInactive);
    readBool("horizontalGrid", x.m_showHorizontalGrid);
    readBool("verticalGrid", x.m_showVerticalGrid);
    readBool("dualVertical", x.m_dualVertical);
    readBool("boldFolders", x.m_boldFolders);
    readBool("foldersAlwaysByName", x.m_foldersAlwaysByName);
    readBool("showLabelAsCircle", x.m_showLabelAsCircle);
    readBool("foldersFirst", x.m_foldersFirst);
    readBool("packagesFirst", x.m_packagesFirst);
    readBool("iconPreview", x.m_iconPreview);
    readBool("caseSensitiveNameSorting", x.m_caseSensitiveNameSorting);

    // 2. Number objects.
    readSigned("extOption", x.m_extEditorOption);
    readSigned("extViewOption", x.m_extViewOption);
    readSigned("fileSizeCalculationFormat", x.m_fileSizeCalculationFormat);
    readSigned("permsFormat", x.m_permissionFormat);
    readUnsigned("defEnc", x.m_newFileEncoding);
    readUnsigned("othEnc", x.m_cannotGuesEncoding);

    // 3. External editors; the older form had at most three keys an entry.
    if (has("extEditors")) {
        QVariant editors = c.decodeObject(QStringLiteral("extEditors"));
        const QVariantList list = editors.toList();
        if (!list.isEmpty() && list.first().toMap().size() <= 3) {
            QVariantList converted;
            for (const QVariant& item : list) {
                const QVariantMap old = item.toMap();
                converted.append(QVariantMap{{QStringLiteral("exts"), old.value(QStringLiteral("exts"))},
                                             {QStringLiteral("appPath"), old.value(QStringLiteral("appPath"))},
                                             {QStringLiteral("viewEnabled"), qint64(1)},
                                             {QStringLiteral("editEnabled"), qint64(1)}});
            }
            editors = converted;
        }
        x.m_extEditors = editors.metaType().id() == QMetaType::QVariantList ? editors : QVariant();
    }
    readString("extPath", x.m_extEditorPath);
    readString("extViewPath", x.m_extViewPath);

    // 4.-5. Fonts.
    decodeFont(c, QStringLiteral("editorFontSize"), QStringLiteral("editorFontName"), x.m_editorFontSize, x.m_editorFontName);
    decodeFont(c, QStringLiteral("fontSize"), QStringLiteral("fontName"), x.m_fontSize, x.m_fontName);
    readString("dateFormat", x.m_dateFormat);

    // 6. Read without a presence test.
    const auto entry = [&c](const char* key) {
        const auto object = c.decodeObjectOfClass(QString::fromLatin1(key), QString::fromLatin1(MivContextEntry::kClassName));
        return object ? MivContextEntry::initWithCoder(*object) : nullptr;
    };
    x.m_left = entry("left");
    x.m_right = entry("right");
    readBool("sideBar", x.m_sideBarVisible);
    readBool("statusBar", x.m_statusBarVisible);
    readBool("commandLine", x.m_commandLineVisible);
    readBool("actionBar", x.m_actionBarVisible);
    readInt32("dualMode2", x.m_dualMode);
    readInt64("maxSimultaneousTransfers", x.m_maxSimultaneousTransfers);
    readBool("startPausedFileOperations", x.m_startPausedFileOperations);
    readBool("queueFileOperations", x.m_queueFileOperations);
    readInt64("tableHighlight", x.m_tableHighlight); // 9.
    readInt64("dividerThicknes", x.m_dividerThicknes);
    readInt64("sizeDisplayFormat", x.m_sizeDisplayFormat);
    x.m_textWrap = c.decodeBool(QStringLiteral("textWrap"));
    x.m_lineNoView = c.decodeBool(QStringLiteral("lineNoView"));
    const QVariant sandbox = c.decodeObject(QStringLiteral("sandboxCtx"));
    x.m_sandboxContext = sandbox.metaType().id() == QMetaType::QString ? sandbox.toString() : QString();
    if (has("sideBarIconsSize"))
        x.m_sidebarIconsSize = numberOrAbsent(c.decodeObject(QStringLiteral("sideBarIconsSize")));

    // 7. The general store is never absent.
    const QVariant store = MivArchiveCoding::fromArchive(c.decodeObject(QStringLiteral("dictionary")));
    x.m_dict = store.metaType().id() == QMetaType::QVariantMap ? store.toMap() : QVariantMap();

    // 8. Shortcuts.
    if (has("otherShortcuts")) {
        const QVariantMap map = c.decodeObject(QStringLiteral("otherShortcuts")).toMap();
        x.m_shortcuts.clear();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.value().metaType() != QMetaType::fromType<plat::ArchivedObject>())
                continue;
            if (auto shortcut = MivShortcutEntry::initWithCoder(it.value().value<plat::ArchivedObject>()))
                x.m_shortcuts.insert(it.key(), *shortcut);
        }
    }
    readBool("treatPckgAsFld", x.m_treatPackagesAsFolders);
    readBool("quickSearchBeginning", x.m_quickSearchBeginning);
    readBool("quickSearchEnding", x.m_quickSearchEnding);
    readInt64("quickSearchOption", x.m_quickSearchOption);

    // 10. The one-time migration.
    if (!x.m_dict.contains(kMigrationKey)) {
        x.m_tabStyle = QStringLiteral("FinderLike");
        if (x.m_darkColors)
            x.m_darkColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::darkRules());
        if (x.m_lightColors)
            x.m_lightColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::lightRules());
        x.m_dict.insert(kMigrationKey, QStringLiteral("YES"));
    }
    return context;
}
