#include "app/settings/MivDefaultColorRules.h"

#include "app/colors/MivColorDef.h"

namespace {

struct Rule
{
    const char* pattern;
    bool attribute;
    float light[3];
    float dark[3];
};

constexpr Rule kRules[] = {
    {"*.doc,*.docx", false, {0.1028f, 0.0776f, 1}, {0.2044f, 0.9591f, 1}},
    {"*mpp", false, {0.5738f, 0.5655f, 0}, {1, 0.9377f, 0.1230f}},
    {"*.xls,*.xlsx", false, {0, 0.5628f, 0.3188f}, {0.4555f, 1, 0.0407f}},
    {"*.pdf", false, {0.5811f, 0.1286f, 0.5745f}, {1, 0.5857f, 0.9548f}},
    {"*.zip,*.tgz,*.gz,*.7z,*.rar,*.bz2,*.gzip,*.bzip2", false, {1, 0.5781f, 0}, {1, 0.8081f, 0}},
    {"*.png,*jpg,*.jpeg,*.gif,*.tif*", false, {1, 0.1857f, 0.5734f}, {1, 0.6179f, 0.6322f}},
    {"*.mp4,*.mkv,*.avi", false, {1, 0.5170f, 0.8404f}, {1, 0.5170f, 0.8404f}},
    {"*pptx*,*ppt", false, {0, 0.5690f, 0.5746f}, {0.6522f, 1, 0.7342f}},
    {"*txt", false, {0.3237f, 0.1064f, 0.5749f}, {0.6387f, 0.6585f, 1}},
    {"*.xml", false, {0, 0.5603f, 0}, {0.5020f, 1, 0}},
    {"*.h,*.hpp,*.xib,*.nib", false, {0.0049f, 0.0961f, 0.5750f}, {0, 0.5020f, 1}},
    {"*.m,*.cpp,*.py", false, {0, 0.5603f, 0}, {0.8f, 1, 0.4f}},
    {"-??x*", true, {1, 0.5781f, 0}, {1, 0.5f, 0}},
};

QVariantList rules(bool dark)
{
    QVariantList list;
    for (const Rule& rule : kRules) {
        const float* rgb = dark ? rule.dark : rule.light;
        MivColorDef def;
        // An attribute rule matches by permissions only: its name pattern is empty.
        def.definition = rule.attribute ? QStringLiteral("") : QString::fromLatin1(rule.pattern);
        if (rule.attribute)
            def.attributes = QString::fromLatin1(rule.pattern);
        def.color = plat::Color::fromRgba(QColor::fromRgbF(rgb[0], rgb[1], rgb[2], 1));
        list.append(QVariant::fromValue(def));
    }
    return list;
}

} // namespace

QVariantList MivDefaultColorRules::lightRules()
{
    return rules(false);
}

QVariantList MivDefaultColorRules::darkRules()
{
    return rules(true);
}

QVariantMap MivDefaultColorRules::createColorsConfiguration()
{
    QVariantMap scheme;
    resetToDefaultColorScheme(scheme);
    return scheme;
}

void MivDefaultColorRules::resetToDefaultColorScheme(QVariantMap& scheme)
{
    const auto system = [](plat::SystemColor color) { return QVariant::fromValue(plat::Color::fromSystem(color)); };
    scheme.insert(QStringLiteral("hiddenColor"), system(plat::SystemColor::Gray));
    scheme.insert(QStringLiteral("markColor"), system(plat::SystemColor::Red));
    scheme.insert(QStringLiteral("fontColor"), system(plat::SystemColor::ControlText));
    scheme.insert(QStringLiteral("fontColorFolder"), system(plat::SystemColor::ControlText));
    scheme.insert(QStringLiteral("bgColor"), system(plat::SystemColor::AlternatingRow0));
    scheme.insert(QStringLiteral("bg2Color"), system(plat::SystemColor::AlternatingRow1));
    scheme.insert(QStringLiteral("negativeSelection"), false);
}
