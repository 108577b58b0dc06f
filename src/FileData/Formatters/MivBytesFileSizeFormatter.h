#pragma once

#include "FileData/Formatters/MivFileSizeFormatter.h"

// Sizes always as exact, grouped byte counts, whatever the settings say.
class MivBytesFileSizeFormatter : public MivFileSizeFormatter
{
public:
    MivBytesFileSizeFormatter();

    // Keeps the byte-count format: re-reading the settings must not turn
    // this formatter into the panel's size format.
    void reinit() override;
};
