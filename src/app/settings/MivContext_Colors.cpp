#include "app/settings/MivContext.h"

#include "FileData/Local/MivOsxFileDataCache.h"
#include "app/settings/MivDefaultColorRules.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

std::mutex& providerLock()
{
    static std::mutex lock;
    return lock;
}

std::function<bool()>& darkModeProvider()
{
    static std::function<bool()> provider;
    return provider;
}

// A rule takes part when it compiles to a permission expression or to at
// least one name expression; anything else could never match.
bool isActive(const MivColorDef& rule)
{
    return rule.attrsRegex || !rule.regexs.isEmpty();
}

} // namespace

bool MivContext::isDarkMode()
{
    std::function<bool()> provider;
    {
        std::lock_guard guard(providerLock());
        provider = darkModeProvider();
    }
    if (provider)
        return provider();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return plat::Color::isDarkPalette(QGuiApplication::palette());
    return false;
}

void MivContext::setDarkModeProvider(std::function<bool()> provider)
{
    std::lock_guard guard(providerLock());
    darkModeProvider() = std::move(provider);
}

void MivContext::createDefaultColorConfiguration()
{
    {
        std::lock_guard guard(m_fieldsLock);
        if (!m_lightColors) {
            m_lightColors = MivDefaultColorRules::createColorsConfiguration();
            m_lightColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::lightRules());
        }
        if (!m_darkColors) {
            m_darkColors = MivDefaultColorRules::createColorsConfiguration();
            m_darkColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::darkRules());
        }
    }
    updateColorDefs();
}

void MivContext::createDefaultLightColorArray()
{
    std::lock_guard guard(m_fieldsLock);
    if (m_lightColors)
        m_lightColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::lightRules());
}

void MivContext::createDefaultDarkColorArray()
{
    std::lock_guard guard(m_fieldsLock);
    if (m_darkColors)
        m_darkColors->insert(QStringLiteral("colorArray"), MivDefaultColorRules::darkRules());
}

void MivContext::resetColorsToDefault()
{
    std::lock_guard guard(m_fieldsLock);
    if (m_lightColors)
        MivDefaultColorRules::resetToDefaultColorScheme(*m_lightColors);
    if (m_darkColors)
        MivDefaultColorRules::resetToDefaultColorScheme(*m_darkColors);
}

QVariantMap MivContext::currentColors() const
{
    std::lock_guard guard(m_fieldsLock);
    if (!m_currentIsDark)
        return QVariantMap();
    return (*m_currentIsDark ? m_darkColors : m_lightColors).value_or(QVariantMap());
}

void MivContext::setCurrentColorsValue(const QString& key, const QVariant& value)
{
    std::lock_guard guard(m_fieldsLock);
    if (!m_currentIsDark)
        return;
    auto& scheme = *m_currentIsDark ? m_darkColors : m_lightColors;
    if (scheme)
        scheme->insert(key, value);
}

std::optional<QList<MivColorDef>> MivContext::attributeColorDefs() const
{
    std::lock_guard guard(m_fieldsLock);
    return m_attributeColorDefs;
}

void MivContext::updateCurrentColors()
{
    const bool dark = isDarkMode();
    std::lock_guard guard(m_fieldsLock);
    m_currentIsDark = dark;
}

void MivContext::updateColorDefs()
{
    updateCurrentColors();
    QList<MivColorDef> active;
    for (const QVariant& value : currentColors().value(QStringLiteral("colorArray")).toList()) {
        if (value.metaType() != QMetaType::fromType<MivColorDef>())
            continue;
        MivColorDef rule = value.value<MivColorDef>();
        rule.calculatePattern();
        if (isActive(rule))
            active.append(rule);
    }
    std::lock_guard guard(m_fieldsLock);
    m_attributeColorDefs = active;
}

void MivContext::updateColors()
{
    updateColorDefs();
    MivOsxFileDataCache::sharedInstance()->clear();
    postTablePreferencesChangedNotification();
}
