#pragma once

#include "FileData/MivSimpleFileData.h"

// Stored as the parent of an item to say that it has none (a local volume's
// root), so the parent is not looked up again.
class MivNilFileData : public MivSimpleFileData
{
public:
    MivNilFileData() = default;
};
