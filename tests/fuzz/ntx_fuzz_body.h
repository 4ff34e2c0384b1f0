// One run of the index engine over an arbitrary file: shared by the libFuzzer target and the
// corpus test, so every seed the fuzzer keeps is also checked by the ordinary test suite.
#pragma once

#include "common/error.h"
#include "store/ntx.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace arv::fuzz {

// Reports a broken invariant and stops the process (a fuzzer finding, a failed test).
[[noreturn]] inline void ntxFuzzFail(const char* what)
{
    std::fprintf(stderr, "ntx fuzz: %s\n", what);
    std::abort();
}

// Opens the index file at `path` and walks every read path. Damage may show only as
// arv::Error: anything else (a crash, a hang, another exception) is a fault. When the file
// verifies clean, a few inserts and removals must leave it clean and in order.
inline void exerciseNtx(const std::string& path)
{
    using namespace arv::store;
    std::unique_ptr<NtxIndex> idx;
    try {
        idx = NtxIndex::open(path);
    } catch (const arv::Error&) {
        return;
    }
    const size_t ks = size_t(idx->info().keySize);
    auto guarded = [](auto&& f) {
        try {
            f();
        } catch (const arv::Error&) {
        }
    };

    std::string someKey(ks, 'M');
    guarded([&] {
        int steps = 0;
        std::optional<NtxEntry> prev;
        for (auto e = idx->first(); e && steps < 20000; e = idx->next(*e), ++steps) {
            if (steps == 3) someKey = e->key;
            if (prev && *prev == *e) ntxFuzzFail("next() did not move");
            prev = e;
        }
    });
    guarded([&] {
        int steps = 0;
        for (auto e = idx->last(); e && steps < 20000; e = idx->prev(*e), ++steps) {
        }
    });
    guarded([&] {
        for (const std::string& k : {std::string(), std::string("A"), std::string(ks + 3, '\xFF'),
                                     someKey.substr(0, ks / 2), someKey}) {
            auto a = idx->seek(k);
            auto b = idx->seekLast(k);
            if (b && b->key.compare(0, std::min(k.size(), ks), k, 0, std::min(k.size(), ks)) != 0)
                ntxFuzzFail("seekLast() answered a key without the prefix");
            (void)a;
        }
    });
    uint64_t counted = 0;
    bool countOk = false;
    guarded([&] {
        counted = idx->count();
        countOk = true;
    });
    guarded([&] {
        uint64_t n = 0;
        idx->scan([&](const NtxEntry& e) {
            if (e.key.size() != ks) ntxFuzzFail("scan() gave a key of the wrong size");
            return ++n < 50000;
        });
        if (countOk && n < 50000 && n != counted) ntxFuzzFail("count() and scan() disagree");
    });

    std::vector<std::string> faults;
    try {
        faults = idx->verify();
    } catch (const arv::Error&) {
        return;
    }
    if (!faults.empty()) return;

    // A sound file stays sound through changes.
    try {
        std::vector<NtxEntry> added;
        for (uint32_t i = 0; i < 120; ++i) {
            std::string k = someKey;
            k[i % ks] = char('0' + i % 43);
            if (idx->insert(k, 4000000000u + i)) added.push_back({k, 4000000000u + i});
        }
        for (size_t i = 0; i < added.size(); i += 2)
            if (!idx->remove(added[i].key, added[i].recno)) ntxFuzzFail("an inserted entry could not be removed");
        if (auto f = idx->first()) idx->remove(f->key, f->recno);
        if (auto l = idx->last()) idx->remove(l->key, l->recno);
        if (!idx->verify().empty()) ntxFuzzFail("changes left a sound index damaged");
        std::optional<NtxEntry> prev;
        bool ordered = true;
        idx->scan([&](const NtxEntry& e) {
            if (prev && !(idx->next(*prev) == std::optional<NtxEntry>(e))) ordered = false;
            prev = e;
            return ordered;
        });
        if (!ordered) ntxFuzzFail("scan() and next() disagree after changes");
    } catch (const arv::Error&) {
        ntxFuzzFail("a sound index refused a change");
    }
}

} // namespace arv::fuzz
