#pragma once

#include "carriers/CarrierDetector.h"
#include "store/ImportRows.h"
#include "store/Waybill.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// One line of an import file (a text line or a sheet row) that was not taken,
// with the reason shown to the user.
struct SkippedLine final {
    int line = 0;
    QString reason;
    int lastLine = 0; // a run of lines with one reason ends here

    // "5", or "3–9" for a run.
    QString lines() const
    {
        return lastLine > line ? QStringLiteral("%1–%2").arg(line).arg(lastLine) : QString::number(line);
    }
    // "第 3–4 行：空行", as the end message and the full list show it.
    QString text() const { return QStringLiteral("第 %1 行：%2").arg(lines(), reason); }
};

// A table read from an Excel sheet: 1-based row number to the texts of its
// first nine cells (a null text for an empty cell), and how many columns the
// sheet uses.
struct SheetData final {
    int columns = 0;
    QMap<int, QStringList> rows;
};

// The waybills read from one import file, each with the line it came from,
// and the lines that were left out. Fields map by position: 快递单号, 快递公司,
// 物品, 金额, 时间, 姓名, 电话, 联系地址, 备注. The fields stay where they were
// read, in one text, and are only cut out as strings when asked for. Numbers
// are taken in normal form; two lines of one number are one waybill.
class ImportBatch final : public ImportRows {
public:
    static constexpr int kFields = WaybillColumns::kTypedCount;

    // A text file's batch holds the file's decoded text, and its lines are
    // ranges of it.
    explicit ImportBatch(QString text = QString());

    // The text from start to end (a line of the text), split at its commas:
    // nine fields or more, the rest ignored. A line of the program's own text
    // export has 状态 and 在途时间 before them, and keeps both.
    void addTextLine(int line, qsizetype start, qsizetype end);
    // Whether a line, the first of its file, is laid out as the export writes
    // it: a status and days in transit first. Every line is then read so.
    static bool isExportLine(QStringView line);
    void setExportLayout(bool exported) { m_exportLayout = exported; }
    // "0天", " 12天 ": the export's 在途时间, never a carrier's name.
    static bool looksLikeDays(QStringView value);
    // A line already split into its fields.
    void addFields(int line, const QStringList &fields);
    void addEmptyLine(int line);
    // The data rows of a sheet (row 1 holds the headings and is not read);
    // trailing empty rows are not lines of the file.
    void addSheet(const SheetData &sheet);
    bool hasMissingCarriers() const;
    // A row without a carrier gets the one its number surely has; the rest
    // are skipped with the carriers they may have.
    void fillMissingCarriers(const CarrierDetection::RegisterIndex *index);

    const QString &text() const { return m_text; }
    int count() const override { return int(m_lines.size()); }
    QStringView field(int row, int typed) const override;
    QStringView status(int row) const override { return view(m_fields[row][kStatus]); }
    QStringView daysInTransit(int row) const override { return view(m_fields[row][kDays]); }
    Waybill row(int index) const;
    QVector<Waybill> rows() const;
    const QVector<int> &lines() const { return m_lines; }
    const QVector<SkippedLine> &skipped() const { return m_skipped; }
    void skip(int line, const QString &reason) { m_skipped.push_back({line, reason}); }

private:
    struct Range {
        qsizetype start = 0;
        qsizetype size = -1; // no value: an empty cell, stored as NULL
    };
    // The nine typed fields, then what only an export carries.
    static constexpr int kStatus = kFields, kDays = kFields + 1;
    using Fields = std::array<Range, kFields + 2>;
    void addRow(int line, const Fields &read);
    QStringView view(const Range &range) const
    {
        return range.size < 0 ? QStringView() : QStringView(m_text).sliced(range.start, range.size);
    }

    QString m_text;
    bool m_exportLayout = false;
    QVector<Fields> m_fields;
    QVector<int> m_lines;
    QVector<SkippedLine> m_skipped;
    QHash<QString, int> m_firstLineOfNumber;
};
