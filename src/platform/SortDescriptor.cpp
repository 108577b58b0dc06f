#include "platform/SortDescriptor.h"

#include "platform/Collator.h"

namespace plat {

namespace {
bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}
} // namespace

int SortDescriptor::compare(const QString& a, const QString& b) const
{
    int result = 0;
    switch (comparison) {
    case Comparison::Default:
        // The platform's plain comparison treats a precomposed letter and its
        // decomposed form as the same text; otherwise it compares code units.
        if (isAscii(a) && isAscii(b))
            result = a.compare(b);
        else
            result = a.normalized(QString::NormalizationForm_D).compare(b.normalized(QString::NormalizationForm_D));
        break;
    case Comparison::Literal:
        result = a.compare(b);
        break;
    case Comparison::LocalizedStandard:
        result = Collator::localizedStandard().compare(a, b);
        break;
    }
    result = sign(result);
    return ascending ? result : -result;
}

} // namespace plat
