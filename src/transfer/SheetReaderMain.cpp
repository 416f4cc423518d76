// tolvane-sheet <file>: reads the sheet of one workbook and writes its rows to
// standard output for the program (see SheetProcess.h).
#include "transfer/SheetProcess.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

// The tests make the helper fail the way a crafted file would.
void testFault()
{
    const QByteArray fault = qgetenv("TOLVANE_SHEET_TEST_FAULT");
    if (fault == "crash") {
        std::abort();
    } else if (fault == "memory") {
        // Address space, not pages: the limit trips without using the memory.
        std::vector<std::unique_ptr<char[]>> hog;
        for (;;)
            hog.emplace_back(new char[size_t(64) << 20]);
    } else if (fault == "garbage") {
        std::fputs("TOLVANE-SHEET\x01R\xff\xff\xff\x7f", stdout);
        std::exit(0);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: tolvane-sheet <workbook>\n", stderr);
        return 2;
    }
    try {
        testFault();
        SheetData sheet;
        const Outcome read = SheetProcess::readHere(QFile::decodeName(argv[1]), &sheet);
        const QByteArray out = SheetProcess::encode(read, sheet);
        if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()) ||
            std::fflush(stdout) != 0)
            return 1;
    } catch (const std::bad_alloc &) {
        return SheetProcess::kExitOutOfMemory;
    }
    return 0;
}
