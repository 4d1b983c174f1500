#include "core/exchange/Table.h"

#include <QRegularExpression>

namespace exchange {

namespace {

enum Column { TypeColumn, StemColumn, OptionA, AnswerColumn = OptionA + kMaxOptions, AnalysisColumn, PointsColumn, ColumnCount };

QString columnKey(const QString& name)
{
    QString key = name.normalized(QString::NormalizationForm_KC).toUpper();
    key.removeIf([](QChar c) { return c.isSpace(); });
    return key;
}

QString cell(const TableRow& row, int index)
{
    return index >= 0 && index < row.cells.size() ? row.cells[index] : QString();
}

QString csvField(const QString& text)
{
    static const QRegularExpression needsQuotes(QStringLiteral("[\",\\r\\n]|^\\s|\\s$"));
    if (!needsQuotes.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvOf(const std::vector<QStringList>& rows)
{
    QString out;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& c : row) {
            QString t = c;
            t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            fields << csvField(t);
        }
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QString textCell(const QString& html)
{
    return hasFormatting(html) ? htmlBody(html).trimmed() : htmlToPlain(html);
}

// A card's field: HTML on one line.
QString cardField(const QString& plain)
{
    QString out = plain.toHtmlEscaped();
    out.replace(QLatin1Char('\t'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return out;
}

} // namespace

QStringList templateColumns()
{
    QStringList columns = {QStringLiteral("题型"), QStringLiteral("题干")};
    for (int i = 0; i < kMaxOptions; ++i)
        columns << QStringLiteral("选项") + QChar(char16_t(u'A' + i));
    columns << QStringLiteral("答案") << QStringLiteral("解析") << QStringLiteral("考点");
    return columns;
}

QString cellHtml(const QString& cell)
{
    const QString t = cell.trimmed();
    return looksLikeHtml(t) ? t : plainToHtml(t);
}

ReadResult readRows(const std::vector<TableRow>& rows)
{
    ReadResult out;
    const auto fail = [&out](const QString& message) { return out = ReadResult::refused(message); };
    const auto blank = [](const TableRow& r) {
        return std::all_of(r.cells.begin(), r.cells.end(), [](const QString& c) { return c.trimmed().isEmpty(); });
    };
    size_t first = 0;
    while (first < rows.size() && blank(rows[first]))
        ++first;
    if (first == rows.size())
        return fail(noQuestionsText());
    std::array<int, ColumnCount> index;
    index.fill(-1);
    const QStringList names = templateColumns();
    for (int c = 0; c < rows[first].cells.size(); ++c) {
        const int at = int(names.indexOf(columnKey(rows[first].cells[c])));
        if (at >= 0 && index[size_t(at)] < 0)
            index[size_t(at)] = c;
    }
    for (int required : {int(TypeColumn), int(StemColumn), int(AnswerColumn)})
        if (index[size_t(required)] < 0)
            return fail(QStringLiteral("第%1行的表头缺少“%2”列（模板的列为：%3）")
                            .arg(rows[first].line)
                            .arg(names[required], names.join(QStringLiteral("、"))));
    int number = 0;
    for (size_t r = first + 1; r < rows.size(); ++r) {
        const TableRow& row = rows[r];
        if (blank(row))
            continue;
        ++number;
        Question q;
        q.number = number;
        q.line = row.line;
        const QString type = cell(row, index[TypeColumn]).trimmed();
        QString message;
        if (type.isEmpty())
            message = QStringLiteral("缺少题型");
        else if (!kindOfName(type, &q.kind))
            message = QStringLiteral("未知题型“%1”（应为单选、多选、不定项、判断、填空或简答等）").arg(type);
        if (message.isEmpty()) {
            q.stem = cellHtml(cell(row, index[StemColumn]));
            int last = -1;
            for (int i = 0; i < kMaxOptions; ++i)
                if (!cell(row, index[size_t(OptionA + i)]).trimmed().isEmpty())
                    last = i;
            if (isChoice(q.kind))
                for (int i = 0; i <= last; ++i)
                    q.options << cell(row, index[size_t(OptionA + i)]).trimmed();
            q.answer = cell(row, index[AnswerColumn]).trimmed();
            q.analysis = cell(row, index[AnalysisColumn]).trimmed().isEmpty() ? QString() : cellHtml(cell(row, index[AnalysisColumn]));
            static const QRegularExpression separators(QStringLiteral("[,，;；、\\s]+"));
            q.points = cell(row, index[PointsColumn]).split(separators, Qt::SkipEmptyParts);
            if (checkQuestion(q, &message)) {
                out.questions.push_back(std::move(q));
                continue;
            }
        }
        out.problems.push_back({number, row.line, {}, numbered(number, message)});
    }
    if (number == 0)
        return fail(noQuestionsText());
    return out;
}

ReadResult readCsv(const QByteArray& bytes)
{
    QString text, error;
    if (!decodeText(bytes, &text, &error)) {
        ReadResult out;
        out.fileOk = false;
        out.problems.push_back({0, 0, {}, error});
        return out;
    }
    // Spreadsheet programs set to some locales write ";" or tabs instead of commas.
    const QStringView head = QStringView(text).left(text.indexOf(QLatin1Char('\n')) < 0 ? text.size() : text.indexOf(QLatin1Char('\n')));
    QChar delimiter = u',';
    if (!head.contains(u',') && head.contains(u'\t'))
        delimiter = u'\t';
    else if (!head.contains(u',') && head.contains(u';'))
        delimiter = u';';

    std::vector<TableRow> rows;
    TableRow row;
    row.line = 1;
    QString field;
    bool quoted = false, inQuotes = false;
    int line = 1, quoteLine = 0;
    const auto endField = [&] {
        row.cells << field;
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !quoted) {
            inQuotes = quoted = true;
            quoteLine = line;
        } else if (c == delimiter) {
            endField();
        } else if (c == u'\n') {
            endField();
            rows.push_back(std::move(row));
            row = {};
            row.line = ++line;
        } else {
            field += c;
        }
    }
    if (inQuotes) {
        ReadResult out;
        out.fileOk = false;
        out.problems.push_back({0, quoteLine, {}, QStringLiteral("第%1行开始的引号没有闭合").arg(quoteLine)});
        return out;
    }
    if (!field.isEmpty() || !row.cells.isEmpty()) {
        endField();
        rows.push_back(std::move(row));
    }
    return readRows(rows);
}

QStringList cellsOfQuestion(const Question& q)
{
    QStringList cells = {kindName(q.kind), textCell(q.stem)};
    for (int i = 0; i < kMaxOptions; ++i)
        cells << (i < q.options.size() ? q.options[i] : QString());
    QString answer = q.answer;
    if (q.kind == Kind::TrueFalse)
        answer = q.answer == u"A" ? QStringLiteral("对") : QStringLiteral("错");
    cells << answer << (q.analysis.isEmpty() ? QString() : textCell(q.analysis)) << q.points.join(QLatin1Char(','));
    return cells;
}

QByteArray writeCsv(const std::vector<Question>& questions)
{
    std::vector<QStringList> rows = {templateColumns()};
    for (const Question& q : questions)
        rows.push_back(cellsOfQuestion(q));
    return csvOf(rows);
}

QByteArray csvTemplate()
{
    return csvOf({templateColumns()});
}

QByteArray writeFlashCards(const std::vector<Question>& questions)
{
    QString out = QStringLiteral("#separator:tab\n#html:true\n");
    for (const Question& q : questions) {
        QString front = htmlToPlain(q.stem);
        for (int i = 0; i < q.options.size(); ++i)
            front += QStringLiteral("\n%1. %2").arg(QChar(char16_t(u'A' + i))).arg(q.options[i]);
        QString answer = q.answer;
        if (q.kind == Kind::TrueFalse)
            answer = q.answer == u"A" ? QStringLiteral("对") : QStringLiteral("错");
        else if (isChoice(q.kind)) {
            QStringList chosen;
            for (QChar letter : q.answer) {
                const int i = letter.unicode() - u'A';
                chosen << (i >= 0 && i < q.options.size() ? QStringLiteral("%1. %2").arg(letter).arg(q.options[i]) : QString(letter));
            }
            answer = chosen.join(QLatin1Char('\n'));
        }
        QString back = QStringLiteral("答案：") + answer;
        const QString analysis = htmlToPlain(q.analysis);
        if (!analysis.isEmpty())
            back += QStringLiteral("\n解析：") + analysis;
        out += cardField(front) + QLatin1Char('\t') + cardField(back) + QLatin1Char('\n');
    }
    return out.toUtf8();
}

} // namespace exchange
