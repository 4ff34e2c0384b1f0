// The questionnaire register with 100,000 questionnaires: "Ricerca" by a part of the client's
// name (the register's own criterion, contained anywhere, in capitals) builds its view over the
// whole table. Target: under 300 ms in Release.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "records/register.h"
#include "sales/questionnaireregister.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

struct QuestionnaireFolder : bench::LargeFolder {
    static constexpr int kRecords = 100000;
    QuestionnaireFolder() : LargeFolder("arvbenchque")
    {
        Workspace ws(path);
        const char* types[] = {"T", "R", "A"};
        bench::appendRows(
            ws, "QUESTADE", kRecords,
            [&types](Table& t, int i) {
                t.setText("TIPO", types[i % 3]);
                t.setDate("DATA", Date::fromYmd(2020 + i % 7, 1 + i % 12, 1 + i % 28));
                t.setText("CLIENTE", bench::numbered("CLIENTE %05d ROSSI", (i * 7919) % 20000));
                t.setText("POLIZZA", bench::numbered("AU-%08d", i));
            },
            "QUESTADE");
        workspace().setFolder(path);
    }
};

QuestionnaireFolder& folder()
{
    static QuestionnaireFolder f;
    return f;
}

// "Cliente:" holding a part of a name that ten of the 20,000 clients carry (50 questionnaires).
void BM_SearchQuestionnairesByClient(benchmark::State& state)
{
    folder();
    Workspace& ws = workspace();
    const RegisterDesc& desc = sales::questionnaireRegister();
    openRegisterTables(desc, ws);
    Table& t = ws[desc.aliasName()];
    std::vector<std::string> typed(desc.search.size());
    typed[3] = "e 1234";
    uint64_t found = 0;
    for (auto _ : state) {
        applySearch(desc, t, buildCondition(desc.search, typed));
        found = t.totRec(false);
        clearSearch(desc, t);
    }
    state.counters["found"] = static_cast<double>(found);
    closeRegisterTables(desc, ws);
}
BENCHMARK(BM_SearchQuestionnairesByClient)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
