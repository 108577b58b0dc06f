#pragma once

// Private to plat: conversion between Qt and ICU strings (both UTF-16, so a
// copy without transcoding). Kept out of public headers with the rest of ICU.

#include <QString>

#include <unicode/unistr.h>

namespace plat::icu_string {

inline icu::UnicodeString toIcu(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
}

inline QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace plat::icu_string
