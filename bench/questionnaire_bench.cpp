// The questionnaire register with 100,000 questionnaires: "Ricerca" by a part of the client's
// name (the register's own criterion, contained anywhere, in capitals) builds its view over the
// whole table. Target: under 300 ms in Release.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "records/register.h"
#include "sales/questionnaireregister.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

struct QuestionnaireFolder {
    static constexpr int kRecords = 100000;
    std::string path;
    QuestionnaireFolder()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvbenchqueXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        path = tmpl;
        if (!AGGIORNADATABASE(path)) std::abort();
        Workspace ws(path);
        Table& t = ws.open("QUESTADE", "QUESTADE", false);
        t.ordAdd("QUESTADE");
        t.setBulk(true);
        const char* types[] = {"T", "R", "A"};
        char text[40];
        for (int i = 0; i < kRecords; ++i) {
            t.append();
            t.setText("TIPO", types[i % 3]);
            t.setDate("DATA", Date::fromYmd(2020 + i % 7, 1 + i % 12, 1 + i % 28));
            std::snprintf(text, sizeof text, "CLIENTE %05d ROSSI", (i * 7919) % 20000);
            t.setText("CLIENTE", text);
            std::snprintf(text, sizeof text, "AU-%08d", i);
            t.setText("POLIZZA", text);
            t.commit();
        }
        t.setBulk(false);
        t.unlock();
        ws.close("QUESTADE");
        workspace().setFolder(path);
    }
    ~QuestionnaireFolder() { std::filesystem::remove_all(path); }
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
