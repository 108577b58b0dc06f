#include "platform/Collator.h"
#include "platform/NoDestructor.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <atomic>
#include <unordered_map>

namespace plat {

namespace {
std::atomic<quint64> g_nextCollatorId{1};
}

struct Collator::Impl
{
    std::unique_ptr<icu::Collator> prototype;
    quint64 id = 0;

    // ICU documents compare() on a shared collator as safe, but a clone per
    // thread costs little and keeps us independent of that promise.
    icu::Collator& forThisThread() const
    {
        thread_local std::unordered_map<quint64, std::unique_ptr<icu::Collator>> clones;
        auto& clone = clones[id];
        if (!clone)
            clone.reset(prototype->clone());
        return *clone;
    }
};

Collator::Collator(const Options& options) : d(std::make_unique<Impl>())
{
    UErrorCode status = U_ZERO_ERROR;
    d->prototype.reset(icu::Collator::createInstance(icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !d->prototype) {
        status = U_ZERO_ERROR;
        d->prototype.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    switch (options.strength) {
    case Strength::Primary:
        d->prototype->setStrength(icu::Collator::PRIMARY);
        break;
    case Strength::Secondary:
        d->prototype->setStrength(icu::Collator::SECONDARY);
        break;
    case Strength::Tertiary:
        d->prototype->setStrength(icu::Collator::TERTIARY);
        break;
    }
    if (options.caseInsensitive && options.strength == Strength::Tertiary)
        d->prototype->setStrength(icu::Collator::SECONDARY);
    status = U_ZERO_ERROR;
    d->prototype->setAttribute(UCOL_NUMERIC_COLLATION, options.numeric ? UCOL_ON : UCOL_OFF, status);
    d->id = g_nextCollatorId++;
}

Collator::~Collator() = default;

int Collator::compare(const QString& a, const QString& b) const
{
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = d->forThisThread().compare(reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                                                               reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()), status);
    if (U_FAILURE(status))
        return a.compare(b);
    return int(result);
}

QByteArray Collator::sortKey(const QString& text) const
{
    icu::Collator& collator = d->forThisThread();
    const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = int32_t(text.size());
    // Most names fit the first guess; ICU answers the size it needs otherwise.
    QByteArray key(std::max<qsizetype>(32, text.size() * 3 + 8), Qt::Uninitialized);
    int32_t needed = collator.getSortKey(chars, length, reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = collator.getSortKey(chars, length, reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    // The key ends with a NUL that takes no part in the order.
    key.resize(needed > 0 ? needed - 1 : 0);
    return key;
}

const Collator& Collator::localizedStandard()
{
    static const NoDestructor<Collator> instance(Options{Strength::Tertiary, true, true});
    return *instance;
}

const Collator& Collator::caseAndDiacriticInsensitive()
{
    static const NoDestructor<Collator> instance(Options{Strength::Primary, true, false});
    return *instance;
}

} // namespace plat
