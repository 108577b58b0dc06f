#pragma once

#include <QVariantList>
#include <QVariantMap>

// The colour schemes' defaults: the panel colours of a new scheme and the
// thirteen colouring rules of the light and the dark scheme.
class MivDefaultColorRules
{
public:
    // "colorArray" lists of MivColorDef values.
    static QVariantList lightRules();
    static QVariantList darkRules();
    // A scheme with the default panel colours and no rule list.
    static QVariantMap createColorsConfiguration();
    static void resetToDefaultColorScheme(QVariantMap& scheme);
};
