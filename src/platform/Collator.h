#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace plat {

// Text comparison by ICU collation in the ICU default locale. One Collator
// may be used from several threads (each thread compares with its own clone
// of the ICU object).
class Collator
{
public:
    enum class Strength {
        Primary,    // base letters only: case and diacritics ignored ("[cd]")
        Secondary,  // diacritics count, case does not
        Tertiary,   // case counts too
    };

    struct Options
    {
        Strength strength = Strength::Tertiary;
        bool caseInsensitive = false;  // case differences never order texts
        bool numeric = false;          // digit runs compare by value: "file2" < "file10"
    };

    explicit Collator(const Options& options);
    ~Collator();
    Collator(const Collator&) = delete;
    Collator& operator=(const Collator&) = delete;

    // Negative, zero or positive as a sorts before, with or after b.
    int compare(const QString& a, const QString& b) const;

    // The ICU sort key of a text: two keys compared bytewise (memcmp, or
    // QByteArray's operator<) order as compare() orders their texts. Lists
    // make keys once per row on a worker and then sort without collating.
    QByteArray sortKey(const QString& text) const;

    // The comparison of the platform's "localized standard" ordering:
    // numeric ordering, case-insensitive, as the file lists sort names.
    static const Collator& localizedStandard();
    // Case- and diacritic-insensitive equality of predicates with "[cd]".
    static const Collator& caseAndDiacriticInsensitive();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace plat
