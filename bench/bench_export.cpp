// Paper export on the large bank: a 120-question paper with its analyses and exam
// points read, laid into one document and written as DOCX (target 1 s), beside the
// bare SQL that reads the same rows; ODT and PDF of the same paper for comparison.
//
//   bench_export [--bank=<bank.db>] [Google Benchmark flags]
#include "BenchSupport.h"
#include "exam/PaperDocument.h"
#include "core/exam/PaperDraw.h"
#include "core/exam/PaperExport.h"
#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Random.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextDocument>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::median;
using bench::samples;

struct Bench {
    TDM1 dm;
    QString work;
    QString paper;
    QString out;
};
Bench* g;

store::Connection& db() { return g->dm.db(); }

void exportAs(exam::PaperFormat format, const char* ending)
{
    const exam::PaperContent content = exam::readPaperContent(db(), g->paper, QStringLiteral("tab_tx1"), QStringLiteral("卷"));
    const std::unique_ptr<QTextDocument> doc = exam::paperDocument(content);
    exam::writePaperFile(*doc, g->out + QLatin1String(ending), format);
}

void BM_Docx(benchmark::State& state) { bench::timed(state, "export 120 to DOCX", [] {}, [] { exportAs(exam::PaperFormat::Docx, ".docx"); }); }
void BM_Odt(benchmark::State& state) { bench::timed(state, "export 120 to ODT", [] {}, [] { exportAs(exam::PaperFormat::Odt, ".odt"); }); }
void BM_Pdf(benchmark::State& state) { bench::timed(state, "export 120 to PDF", [] {}, [] { exportAs(exam::PaperFormat::Pdf, ".pdf"); }); }

// The rows the export reads, straight from SQL: no document, no file.
void BM_Raw(benchmark::State& state)
{
    bench::timed(state, "export raw SQL", [] {}, [] {
        store::Connection& c = db();
        const store::Rows paper = c.query(QStringLiteral("select A1, A13, A2, jx, K3, K4, K5, K6, K7, K8, K9, K10, K11, K12 from ")
                                          + g->paper + QStringLiteral(" order by A13, A1"));
        qsizetype bytes = 0;
        for (const auto& row : paper.values) {
            bytes += c.scalar(QStringLiteral("select A15 from tab_exer where A1 = :a1"), {{QStringLiteral(":a1"), row[0]}}).toByteArray().size();
            bytes += row[3].toByteArray().size();
            for (int k = 4; k < 14; ++k) {
                const QString v = row[size_t(k)].toString().trimmed();
                if (v.isEmpty())
                    continue;
                const store::Rows p = c.query(QStringLiteral("select sn, n from tab_rule where ftid = :f"), {{QStringLiteral(":f"), v}});
                c.scalar(QStringLiteral("select n from tab_fgmc where id = :id"), {{QStringLiteral(":id"), v.left(6)}});
                if (!p.empty())
                    bytes += p.values[0][1].toByteArray().size();
            }
        }
        benchmark::DoNotOptimize(bytes);
    });
}

void prepare(const QString& bank)
{
    bench::makeBankOnce(bank);
    g->work = QFileInfo(bank).absolutePath() + QStringLiteral("/work-export.db");
    g->out = QFileInfo(bank).absolutePath() + QStringLiteral("/export-paper");
    bench::freshCopy(bank, g->work);
    if (!g->dm.openBank(g->work))
        throw std::runtime_error("cannot open the bank");
    DM1 = &g->dm;
    app::CurrentPaperNo = 1;
    store::Connection& c = db();
    {
        // Mock 1 draws from every part of the book: give it each of them.
        store::Transaction t(c);
        bench::renumberPartsForMocks(c);
        c.exec(QStringLiteral("delete from tab_cj"));
        t.commit();
    }
    const exam::NewPaper p = exam::createPaper(g->dm, 1, store::Clock::today());
    store::Random::seed(3);
    exam::drawPaper(c, 1, p.table, store::Random::generator());
    g->paper = p.table;
    std::printf("bank %s: paper %s of %d questions, %d with an analysis, %d point references\n", qPrintable(bank),
                qPrintable(p.table), c.scalar(QStringLiteral("select count(*) from ") + p.table).toInt(),
                c.scalar(QStringLiteral("select count(*) from ") + p.table + QStringLiteral(" where length(jx) > 0")).toInt(),
                c.scalar(QStringLiteral("select sum((trim(ifnull(K3,''))<>'') + (trim(ifnull(K4,''))<>'') + (trim(ifnull(K5,''))<>'')"
                                        " + (trim(ifnull(K6,''))<>'') + (trim(ifnull(K7,''))<>'')) from ") + p.table).toInt());
}

bool summary()
{
    using bench::result;
    return bench::report({result("export 120 to DOCX", "export raw SQL", 1000.0), result("export 120 to ODT", "export raw SQL"),
                          result("export 120 to PDF", "export raw SQL")});
}

} // namespace

BENCHMARK(BM_Docx)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_Odt)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Pdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Raw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    Bench bench;
    g = &bench;
    prepare(bank);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    DM1 = nullptr;
    g = nullptr;
    return ok ? 0 : 3;
}
