// tolvane-export <file>: writes the rows on standard input as an Excel
// workbook (see ExportWriter.h); a failure's message goes to standard output.
#include "transfer/ExportWriter.h"

#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: tolvane-export <workbook>\n", stderr);
        return 2;
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    QVector<Waybill> rows;
    Outcome written = Outcome::failure(QStringLiteral("导出程序收到的数据无法识别。"));
    if (ExportWriter::decodeRows(input.readAll(), &rows))
        written = ExportWriter::writeWorkbookHere(QFile::decodeName(argv[1]), rows);
    if (written)
        return 0;
    std::fputs(written.error.toUtf8().constData(), stdout);
    return 1;
}
