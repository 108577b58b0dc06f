#pragma once

#include "FileData/IMivFileDataGuiHandler.h"
#include "FileData/MivFileDataTypes.h"
#include "FileData/IMivFileDataPropertiesProvider.h"
#include "app/colors/MivColorDef.h"
#include "app/settings/MivContextEntry.h"
#include "app/settings/MivShortcutEntry.h"
#include "app/tools/MivToolDef.h"
#include "platform/ArchivedObject.h"
#include "platform/NotificationToken.h"
#include "platform/SortDescriptor.h"

#include <QDate>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QRectF>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class IMivArchivePlugin;
class IMivFileHandlingPlugin;
class MivFileDataOpener;
class MivUpdateCheckAdapter;

// The settings' plain properties: type, getter, setter, default and the
// notification the setter posts. Number properties that may be absent are
// QVariants; texts that may be absent are null QStrings.
#define MIV_CONTEXT_PROPERTIES(X)                                                                   \
    X(bool, dualVertical, setDualVertical, true, PanelStructure)                                    \
    X(bool, sideBarVisible, setSideBarVisible, false, PanelStructure)                               \
    X(bool, statusBarVisible, setStatusBarVisible, true, PanelStructure)                            \
    X(bool, actionBarVisible, setActionBarVisible, true, PanelStructure)                            \
    X(bool, commandLineVisible, setCommandLineVisible, true, PanelStructure)                        \
    X(qint64, dividerThicknes, setDividerThicknes, 1, PanelStructure)                               \
    X(qint32, dualMode, setDualMode, 3, None)                                                       \
    X(bool, hideTitlebar, setHideTitlebar, false, None)                                             \
    X(bool, isFullScreen, setIsFullScreen, false, None)                                             \
    X(bool, panelAnimation, setPanelAnimation, true, None)                                          \
    X(QVariant, sidebarIconsSize, setSidebarIconsSize, QVariant(qint64(1)), Sidebar)                \
    X(bool, commonFavs, setCommonFavs, true, None)                                                  \
    X(bool, commonHistory, setCommonHistory, true, None)                                            \
    X(qint32, maxHistoryEntries, setMaxHistoryEntries, 20, None)                                    \
    X(bool, synchPanelTablesSettings, setSynchPanelTablesSettings, true, None)                      \
    X(bool, addOpenedDocumentsToRecent, setAddOpenedDocumentsToRecent, true, None)                  \
    X(bool, dontShowFullDiskAccessInfo, setDontShowFullDiskAccessInfo, false, None)                 \
    X(QString, tabStyle, setTabStyle, QStringLiteral("FinderLike"), Tabs)                           \
    X(qint32, tabConstantSize, setTabConstantSize, 200, Tabs)                                       \
    X(bool, tabVariableSize, setTabVariableSize, false, Tabs)                                       \
    X(bool, openTabAnimation, setOpenTabAnimation, false, Tabs)                                     \
    X(qint64, openTabPlacementOption, setOpenTabPlacementOption, 1, None)                           \
    X(QString, fontName, setFontName, defaultFontFamily(), Font)                                    \
    X(QVariant, fontSize, setFontSize, QVariant(qint64(12)), Font)                                  \
    X(QString, dateFormat, setDateFormat, QStringLiteral("dd/MM/yy HH:mm:ss"), Font)                \
    X(qint64, permissionFormat, setPermissionFormat, 1, Font)                                       \
    X(qint64, sizeDisplayFormat, setSizeDisplayFormat, 4, Font)                                     \
    X(qint64, fileSizeCalculationFormat, setFileSizeCalculationFormat, 1024, Font)                  \
    X(qint64, tableRowHeightMargin, setTableRowHeightMargin, 0, Font)                               \
    X(qint64, tableHighlight, setTableHighlight, 0, FileTable)                                      \
    X(bool, alternate, setAlternate, false, FileTable)                                              \
    X(bool, showHighlightOnInactive, setShowHighlightOnInactive, false, FileTable)                  \
    X(bool, showHorizontalGrid, setShowHorizontalGrid, false, FileTable)                            \
    X(bool, showVerticalGrid, setShowVerticalGrid, false, FileTable)                                \
    X(bool, boldFolders, setBoldFolders, false, FileTable)                                          \
    X(bool, showSquareBrackets, setShowSquareBrackets, false, FileTable)                            \
    X(bool, showLabelAsCircle, setShowLabelAsCircle, true, FileTableRefresh)                        \
    X(bool, dirCountInFooter, setDirCountInFooter, true, FileTable)                                 \
    X(bool, iconPreview, setIconPreview, false, FileTableRefresh)                                   \
    X(bool, showParentDir, setShowParentDir, true, FileTableRefresh)                                \
    X(bool, foldersFirst, setFoldersFirst, true, FileTableRefresh)                                  \
    X(bool, packagesFirst, setPackagesFirst, true, FileTableRefresh)                                \
    X(bool, foldersAlwaysByName, setFoldersAlwaysByName, false, FileTableRefresh)                   \
    X(bool, caseSensitiveNameSorting, setCaseSensitiveNameSorting, false, FileTable)                \
    X(bool, treatPackagesAsFolders, setTreatPackagesAsFolders, false, FileTable)                    \
    X(bool, useLocalizedNames, setUseLocalizedNames, false, None)                                   \
    X(bool, calculateAllSizes, setCalculateAllSizes, false, None)                                   \
    X(qint64, quickSearchOption, setQuickSearchOption, 1, None)                                     \
    X(bool, quickSearchBeginning, setQuickSearchBeginning, false, None)                             \
    X(bool, quickSearchEnding, setQuickSearchEnding, false, None)                                   \
    X(qint64, lastFilterOperation, setLastFilterOperation, 2001, None)                              \
    X(bool, confirmCopy, setConfirmCopy, true, None)                                                \
    X(bool, confirmDelete, setConfirmDelete, true, None)                                            \
    X(bool, useTrash, setUseTrash, true, None)                                                      \
    X(bool, doInBackground, setDoInBackground, false, None)                                         \
    X(bool, doMergeFolders, setDoMergeFolders, false, None)                                         \
    X(bool, doCopyPermissions, setDoCopyPermissions, true, None)                                    \
    X(qint64, overwriteOption, setOverwriteOption, 0, None)                                         \
    X(QString, compressorOption, setCompressorOption, QStringLiteral(""), None)                     \
    X(bool, queueFileOperations, setQueueFileOperations, false, None)                               \
    X(bool, startPausedFileOperations, setStartPausedFileOperations, false, None)                   \
    X(qint64, maxSimultaneousTransfers, setMaxSimultaneousTransfers, 2, None)                       \
    X(bool, opersOnDock, setOpersOnDock, false, None)                                               \
    X(QString, editorFontName, setEditorFontName, defaultFixedFontFamily(), None)                   \
    X(QVariant, editorFontSize, setEditorFontSize, QVariant(qint64(12)), None)                      \
    X(bool, textWrap, setTextWrap, false, None)                                                     \
    X(bool, lineNoView, setLineNoView, false, None)                                                 \
    X(quint64, newFileEncoding, setNewFileEncoding, 4, None)                                        \
    X(quint64, cannotGuesEncoding, setCannotGuesEncoding, kDefaultCStringEncoding, None)            \
    X(qint64, extViewOption, setExtViewOption, 0, None)                                             \
    X(QString, extViewPath, setExtViewPath, QStringLiteral(""), None)                               \
    X(qint64, extEditorOption, setExtEditorOption, 0, None)                                         \
    X(QString, extEditorPath, setExtEditorPath, QStringLiteral(""), None)                           \
    X(QVariant, extEditors, setExtEditors, QVariant(), None)                                        \
    X(QString, svnVersion, setSvnVersion, QString(), None)                                          \
    X(bool, svnStatusRecursive, setSvnStatusRecursive, false, None)                                 \
    X(QString, sandboxContext, setSandboxContext, QString(), None)

// Every user setting, both sides' saved state, the colour schemes, the
// non-menu shortcuts and the general store; one shared instance for the life
// of the process. Fields are read from any thread (the file layer's workers
// read the listing and format settings), so each access takes the instance's
// field lock for the copy; setters post their notification after it.
class MivContext : public IMivFileDataPropertiesProvider,
                   public IMivFileDataGuiHandler,
                   public std::enable_shared_from_this<MivContext>
{
public:
    // The platform's default C-string encoding here is UTF-8.
    static constexpr quint64 kDefaultCStringEncoding = 4;
    static constexpr double kSaveInterval = 1200.0;

    enum class Notify { None, Font, FileTable, FileTableRefresh, PanelStructure, Sidebar, Tabs };

    // A new instance with every default; not yet installed.
    static std::shared_ptr<MivContext> create();
    ~MivContext() override;

    // --- Class set-up ---
    // The tab-bar styles of the program, in the order they are registered.
    static QStringList tabStyleClassNames();
    // Runs once, when the class is first used: hands each tab style to the
    // registrar the tab bar installs. A registrar installed later is called
    // at once, so the order of start-up does not matter.
    static void initialize();
    static void setTabStyleRegistrar(std::function<void(const QString& styleClassName)> registrar);

    // --- The shared instance ---
    static std::shared_ptr<MivContext> context();
    static void load(std::shared_ptr<MivContext> context);
    static void initContextWithRegistration(const std::shared_ptr<MivContext>& context);
    // Forgets the shared instance and the periodic save (tests only).
    static void resetForTesting();

    // --- The archive ---
    static QString pathForContextDataFile();
    static void loadContext();
    static void saveSettings();
    // False when the archive could not be written (the previous file stays)
    // or saving has stopped.
    static bool saveContext();
    // No save of this process writes the archive any more, the periodic one
    // included, until the next loadContext: an imported archive must not be
    // overwritten by the settings this process still holds.
    static void stopSaving();
    // Called first by saveContext so the window can store its state.
    static void setBeforeSaveHook(std::function<void()> hook);

    plat::ArchivedObject encodeWithCoder() const;
    static std::shared_ptr<MivContext> initWithCoder(const plat::ArchivedObject& object);

    // --- Settings export and import ---
    // The program's folder ($XDG_DATA_HOME/MIVO, made 0700 when missing) and
    // its preferences file ($XDG_CONFIG_HOME/MIVO/pl.olmi.Mivo.plist).
    static QString programFolderPath();
    static QString preferencesFilePath();
    // "settings_yyyy_MM_dd.zip" for the local date.
    static QString settingsExportFileName(const QDate& date);
    // The cloud account is never linked here: both do nothing.
    static void exportSettingsToDropbox();
    static void importSettingsFromDropbox();
    // Packs the preferences file and the whole program folder under
    // "mivo-settings/" into "settings_<today>.zip" in the folder; the zip's
    // item, or null when it could not be written (logged; nothing is
    // reported as exported then).
    static MivFileDataPtr exportSettingsTo(const MivFileDataPtr& folder);
    // Unpacks an export over the program's files; run at quit, after the
    // last save. The old program folder is moved aside and removed only once
    // the imported one is in place, else put back. An archive with entries
    // that would land outside the folder it is unpacked into changes nothing.
    static bool importSettingsFrom(const MivFileDataPtr& zip, plat::Error* error = nullptr);
    // Of the names in an exports folder, the exports ("settings_…" ending in
    // ".zip" in any case), newest first, and the title the choice shows.
    static QStringList sortedSettingsExports(const QStringList& names);
    static QString settingsExportTitle(const QString& name);
    // The export chosen for import; quit saves the settings one last time
    // and then imports it (finishPendingSettingsImport) and relaunches.
    static void setPendingSettingsImport(MivFileDataPtr zip);
    static MivFileDataPtr pendingSettingsImport();
    // Runs after the last save: stops saving, then imports. False when
    // nothing was pending or the import failed.
    static bool finishPendingSettingsImport();

#define MIV_DECLARE_PROPERTY(Type, name, setter, initial, notify) \
    Type name() const;                                             \
    void setter(const Type& newValue);
    MIV_CONTEXT_PROPERTIES(MIV_DECLARE_PROPERTY)
#undef MIV_DECLARE_PROPERTY

    // The side entries; absent only after an archive that lacks them.
    std::shared_ptr<MivContextEntry> left() const;
    void setLeft(std::shared_ptr<MivContextEntry> entry);
    std::shared_ptr<MivContextEntry> right() const;
    void setRight(std::shared_ptr<MivContextEntry> entry);

    bool enableGIT() const;
    void setEnableGIT(bool enable);
    bool enableSVN() const;
    void setEnableSVN(bool enable);

    QList<MivToolDef> tools() const;
    void setTools(const QList<MivToolDef>& tools);
    // Asks the application to rebuild the Tools menu (registered at start-up).
    void updateTools();
    static void setToolsChangedHook(std::function<void()> hook);
    static void setPluginsChangedHook(std::function<void()> hook);

    QMap<QString, MivShortcutEntry> shortcuts() const;
    void setShortcuts(const QMap<QString, MivShortcutEntry>& shortcuts);

    // --- Non-menu shortcuts (virtual key codes and modifier masks) ---
    static constexpr quint64 kShiftKeyMask = 0x20000;
    static constexpr quint64 kControlKeyMask = 0x40000;
    static constexpr quint64 kOptionKeyMask = 0x80000;
    static constexpr quint64 kCommandKeyMask = 0x100000;
    static constexpr quint64 kCapsLockKeyMask = 0x10000;
    // Rebuilds the default table: known ids keep the user's keys (a cleared
    // one gets its default back), unknown ids are dropped.
    void registerKeys();
    void registerKey(const QString& id, const QString& label, quint64 keyCode, quint64 modifiers, QStringList& keys);
    // The matching rule. The caller turns its key event into a virtual key
    // code and modifier flags; the model never sees a Qt event.
    bool checkShortcut(const QString& id, quint16 keyCode, quint64 modifierFlags, bool emptyModifiers) const;
    // What the file panel passes as emptyModifiers: no Shift, Control,
    // Option or Command (Caps Lock alone counts as none).
    static bool hasNoModifiers(quint64 modifierFlags);
    // Sets an entry from a recorded shortcut, or clears it; unknown ids change nothing.
    void updateShortcut(const std::optional<MivToolShortcut>& shortcut, const QString& forKey);
    // Every non-menu entry back to its default, and the stored menu
    // shortcuts forgotten. Giving menu items back their keys is the menus'.
    void resetShortcuts();

    std::optional<QVariantMap> lightColors() const;
    void setLightColors(std::optional<QVariantMap> scheme);
    std::optional<QVariantMap> darkColors() const;
    void setDarkColors(std::optional<QVariantMap> scheme);
    // The scheme of the current appearance, as last chosen by
    // updateColorDefs; empty before the first choice.
    QVariantMap currentColors() const;
    QVariantMap colors() const { return currentColors(); }
    // Stores a value in the current scheme itself (the one that is saved).
    void setCurrentColorsValue(const QString& key, const QVariant& value);
    // The compiled rules of the current scheme; absent before updateColorDefs.
    std::optional<QList<MivColorDef>> attributeColorDefs() const;
    void resetColorsToDefault();
    void createDefaultLightColorArray();
    void createDefaultDarkColorArray();
    void updateCurrentColors();
    void updateColorDefs();
    // Recompiles, forgets cached local items (their colours) and redraws.
    void updateColors();
    // True when the application's appearance is dark. The application
    // registers how to tell (its palette); without one, light.
    static bool isDarkMode();
    static void setDarkModeProvider(std::function<bool()> provider);

    // --- The general store ---
    QVariantMap dict() const override;
    void setDictObject(const QVariant& object, const QString& forKey) override;

    // --- Operations ---
    void initContext();
    void toggleDualMode();
    void postTablePreferencesChangedNotification();
    void postTableRefreshPreferencesChangedNotification();
    // Control sizes of the platform: regular 0, small 1, mini 2.
    int sidebarControlSize() const;
    plat::SortDescriptor caseSensitiveNameSortDescriptorForColumn(const QString& key) const;
    void updateFavsFromEntry(MivContextEntry& entry);
    void updateHistoryFromEntry(MivContextEntry& entry);
    static QRectF updateCellMargin(const QRectF& rect);
    static QString realFileSystemPathFor(const QString& path) { return path; }

    void setFileOperationContext(const std::shared_ptr<MivFileDataOpener>& context);
    std::shared_ptr<MivFileDataOpener> fileOperationContext() const;

    // --- Plug-ins ---
    // Built on first use: Git (when on), Subversion (when on), zip, the
    // archive-library formats, the cloud root and a cloud item. A switch
    // drops the list; the derived lists and the extension map keep their
    // contents until the next build.
    QList<std::shared_ptr<IMivPlugin>> plugins() const override;
    // Empty before plugins() was built.
    QList<std::shared_ptr<IMivIconPlugin>> imagePlugins() const override;
    std::optional<QList<std::shared_ptr<IMivFileHandlingPlugin>>> filePlugins() const;
    // By the path's extension, exactly as written; null when none is mapped.
    std::shared_ptr<IMivArchivePlugin> resolveArchivePluginByExt(const QString& path) const;
    std::shared_ptr<IMivArchivePlugin> resolveArchivePlugin(const MivFileDataPtr& item) const;

    // IMivFileDataGuiHandler: without a dialog registered, nothing is confirmed.
    std::shared_ptr<MivServiceData> modifyServiceData(const std::shared_ptr<MivServiceData>& serviceData) override;
    std::shared_ptr<MivAuthDataObject> authenticate(const std::shared_ptr<MivAuthDataObject>& authData, bool showUserData) override;
    using ModifyServiceDataDialog = std::function<std::shared_ptr<MivServiceData>(const std::shared_ptr<MivServiceData>&)>;
    using AuthenticateDialog = std::function<std::shared_ptr<MivAuthDataObject>(const std::shared_ptr<MivAuthDataObject>&, bool)>;
    static void setModifyServiceDataDialog(ModifyServiceDataDialog dialog);
    static void setAuthenticateDialog(AuthenticateDialog dialog);

    // --- Windows the settings hand out ---
    // The list of background operations and the transfer log are widgets:
    // each is made by the factory its window class installs, on first
    // access, on the GUI thread (a call from elsewhere waits for it there).
    // Null until a factory is installed. The factory decides the owner.
    using WindowFactory = std::function<QObject*()>;
    QObject* progressPopover();
    QObject* ftpTranscript();
    static void setProgressPopoverFactory(WindowFactory factory);
    static void setFtpTranscriptFactory(WindowFactory factory);
    std::shared_ptr<MivUpdateCheckAdapter> updateCheckAdapter() const { return m_updateCheckAdapter; }

    static QString defaultFontFamily();
    static QString defaultFixedFontFamily();
    // True when the system has a font of that family.
    static bool fontExists(const QString& family);

    static QString notificationName(Notify notify);

private:
    MivContext();
    void post(Notify notify);
    void createDefaultColorConfiguration();

    mutable std::mutex m_fieldsLock;
#define MIV_DECLARE_FIELD(Type, name, setter, initial, notify) Type m_##name = initial;
    MIV_CONTEXT_PROPERTIES(MIV_DECLARE_FIELD)
#undef MIV_DECLARE_FIELD
    std::shared_ptr<MivContextEntry> m_left = std::make_shared<MivContextEntry>();
    std::shared_ptr<MivContextEntry> m_right = std::make_shared<MivContextEntry>();
    bool m_enableGIT = true;
    bool m_enableSVN = false;
    QList<MivToolDef> m_tools;
    QMap<QString, MivShortcutEntry> m_shortcuts;
    std::optional<QVariantMap> m_lightColors;
    std::optional<QVariantMap> m_darkColors;
    std::optional<bool> m_currentIsDark;
    std::optional<QList<MivColorDef>> m_attributeColorDefs;
    std::weak_ptr<MivFileDataOpener> m_fileOperationContext;

    mutable std::mutex m_pluginsLock;
    mutable std::optional<QList<std::shared_ptr<IMivPlugin>>> m_plugins;
    mutable std::optional<QList<std::shared_ptr<IMivFileHandlingPlugin>>> m_filePlugins;
    mutable std::optional<QList<std::shared_ptr<IMivIconPlugin>>> m_imagePlugins;
    mutable QMap<QString, std::shared_ptr<IMivArchivePlugin>> m_extensionMap;

    mutable std::mutex m_dictLock;
    QVariantMap m_dict;

    plat::NotificationToken m_themeObserver;

    // Made and read on the GUI thread only.
    static QObject* lazyWindow(QPointer<QObject>& slot, const WindowFactory& factory);
    QPointer<QObject> m_progressPopover;
    QPointer<QObject> m_ftpTranscript;
    std::shared_ptr<MivUpdateCheckAdapter> m_updateCheckAdapter;
};
