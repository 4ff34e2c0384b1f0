// A statistics run while another workstation appends movements to the period it reads: every run
// ends cleanly and counts each movement once.
#include <gtest/gtest.h>

#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "policies/policyfolder.h"
#include "records/scopedread.h"
#include "reporting/collectionstatistics.h"

using namespace arv;
using namespace arv::reporting;

namespace {

void append(store::Table& t, Date date)
{
    t.append();
    t.setDate("DATA", date);
    t.setText("DESCRIZIO", "Incasso");
    t.setNumber("IMPORTO", Decimal(1));
    t.commit();
    t.unlock();
}

class ConcurrentRead : public test::PolicyFolderTest {};

} // namespace

TEST_F(ConcurrentRead, StatisticsWhileAnotherWorkstationAppends)
{
    const Date from = Date::fromYmd(2025, 1, 1), to = Date::fromYmd(2025, 12, 31);
    constexpr int kBefore = 200, kAppended = 300;
    {
        store::OwnTable t(store::workspace(), "MOVICOMP");
        for (int i = 0; i < kBefore; ++i) append(*t, from.addDays(i % 365));
    }
    store::workspace().closeAll();
    int pipe[2];
    ASSERT_EQ(0, ::pipe(pipe));
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            store::Workspace own(dir.path());
            store::Table& t = own.open("MOVICOMP");
            char go = 0;
            if (::read(pipe[0], &go, 1) != 1) ::_exit(4);
            // Dates all over the year, before and after the ones a run has read.
            for (int i = 0; i < kAppended; ++i) append(t, from.addDays((i * 97) % 365));
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    ASSERT_EQ(1, ::write(pipe[1], "g", 1));
    CollectionCriteria c;
    c.from = from;
    c.to = to;
    int runs = 0, status = 0;
    bool childDone = false;
    while (!childDone || runs < 2) {
        childDone = childDone || ::waitpid(pid, &status, WNOHANG) == pid;
        const CollectionStatistics s = collectionStatistics(store::workspace(), c);
        ASSERT_EQ(1u, s.tables.size());
        const int counted = s.tables[0].current.count();
        EXPECT_GE(counted, kBefore);
        EXPECT_LE(counted, kBefore + kAppended);
        EXPECT_EQ(Decimal(counted), s.tables[0].current.total());

        std::set<uint32_t> seen;
        store::OwnTable t(store::workspace(), "MOVICOMP", true);
        const uint64_t read = records::readDates(*t, "MOVIDATA", from, to, [&](const records::ScopedRecord& r) {
            EXPECT_TRUE(seen.insert(r.recno()).second) << "record " << r.recno() << " seen twice";
            EXPECT_TRUE(r.date("DATA") >= from && r.date("DATA") <= to);
        });
        EXPECT_EQ(read, seen.size());
        ++runs;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(kBefore + kAppended, collectionStatistics(store::workspace(), c).tables[0].current.count());
}
