#include "FileData/Formatters/MivBytesFileSizeFormatter.h"

MivBytesFileSizeFormatter::MivBytesFileSizeFormatter()
{
    setDisplayFormat(1);
}

void MivBytesFileSizeFormatter::reinit()
{
    MivFileSizeFormatter::reinit();
    setDisplayFormat(1);
}
