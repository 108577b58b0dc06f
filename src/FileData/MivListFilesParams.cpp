#include "FileData/MivListFilesParams.h"

MivListFilesParams::MivListFilesParams(const std::optional<plat::SortDescriptor>& sort, bool hidden)
    : _hidden(hidden), _sort(sort)
{
}
