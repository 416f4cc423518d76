// tolvane-sheet <file>: reads the sheet of one workbook and writes its rows to
// standard output for the program (see SheetProcess.h).
#include "transfer/SheetConfinement.h"
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
void testFault(const QString &path)
{
    const QByteArray fault = qgetenv("TOLVANE_SHEET_TEST_FAULT");
    if (fault == "crash") {
        std::abort();
    } else if (fault == "memory") {
        // Address space, not pages: the limit trips without using the memory.
        std::vector<std::unique_ptr<char[]>> hog;
        for (;;)
            hog.emplace_back(new char[size_t(64) << 20]);
    } else if (fault == "flood") {
        // An answer that never ends, as a crafted sheet's would.
        static char block[1 << 20];
        for (;;)
            if (std::fwrite(block, 1, sizeof block, stdout) != sizeof block)
                std::exit(1);
    } else if (fault == "escape") {
        // What a crafted file that took over the reader would try first.
        const QByteArray out = SheetProcess::encode(Outcome::failure(SheetConfinement::probe(path)), SheetData());
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::exit(0);
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
    if (!SheetConfinement::confine()) {
        const QByteArray out = SheetProcess::encode(
            Outcome::failure(QStringLiteral("系统不允许限制读取程序的权限，为安全起见没有读取。")), SheetData());
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return 0;
    }
    try {
        testFault(QFile::decodeName(argv[1]));
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
