#include "app/MivApplicationMain.h"

int main(int argc, char** argv)
{
    return mivApplicationMain(argc, argv);
}
