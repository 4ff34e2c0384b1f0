// One fuzz round over the display masks reading typed text back into values. The first byte picks
// the kind of value (its two low bits) and one of the pictures the screens use (the rest); past
// the end of that list the picture itself comes from the input, up to the first line end. The
// remaining bytes are what the user typed (any UTF-8, broken or not).
//
// For the screens' pictures: a number read back and shown again reads back the same, rounded to
// the picture's decimals; text typed into the edit buffer is shown again as it was typed; a valid
// date typed into its buffer, shown again, reads back the same date. Any picture: nothing crashes or hangs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1252.h"
#include "common/mask.h"
#include "fuzz/fuzz_support.h"

namespace arv::fuzz {

inline const std::vector<std::string>& maskPictures()
{
    static const std::vector<std::string> p = {
        "",           "@!",          "@! A",        "@! AA",        "@! AAAAAA99A99A999A", "@R",
        "@Z",         "@E",          "@S20",        "@K",           "9",                   "99999",
        "9999",       "99999999999", "999999999999999", "99:99",    "99/99/99",            "99 %",
        "99.99 %",    "@Z 9",        "@Z 99",       "@Z 999999",    "@ZE 9999",            "@ZE 999",
        "@ZE 999.99", "@ZE 9,999.99", "@ZE 99,999.99", "@ZE 999,999.99", "@ZE 9,999,999.99", "@ZE 99,999,999.99",
        "@ZE 99.99 %", "@E 99.99",   "@E 99.99 %",  "@E 99,999.99", "@E 999,999.99",       "@E 9,999,999.99",
        "@E 99,999,999.99", "!!!!!!!!!!", "XXXXXXXXXX", "@B 99,999.99", "#####", "NNNNNN"};
    return p;
}

inline void maskEditWalk(const MaskEdit& edit)
{
    for (int pos = -1; pos <= edit.length(); ++pos) {
        int next = edit.nextEditable(pos), prev = edit.previousEditable(pos);
        if (next != -1 && (next <= pos || !edit.isEditable(next))) fail("mask", "nextEditable went astray");
        if (prev != -1 && (prev >= pos || !edit.isEditable(prev))) fail("mask", "previousEditable went astray");
    }
    edit.decimalPosition();
    edit.editablePositions();
}

// What the edit buffer holds after TYPED was typed into it, starting from INITIAL: the keys go to
// the editable positions only, each checked by its position, as the edit field takes them.
inline std::string maskTypeInto(const MaskEdit& edit, const std::string& initial, const std::string& typed)
{
    std::u32string buffer = utf8Decode(initial);
    buffer.resize(static_cast<size_t>(edit.length()), U' ');
    int pos = edit.nextEditable(-1);
    for (char32_t c : utf8Decode(typed)) {
        if (pos < 0) break;
        if (auto a = edit.accept(pos, c)) {
            buffer[static_cast<size_t>(pos)] = *a;
            pos = edit.nextEditable(pos);
        }
    }
    return utf8Encode(buffer);
}

inline int maskFuzzOne(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const ValueKind kind = static_cast<ValueKind>(data[0] & 3);
    const size_t pick = data[0] >> 2;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool ours = pick < maskPictures().size();
    std::string picture;
    if (ours) {
        picture = maskPictures()[pick];
    } else {
        size_t nl = rest.find('\n');
        picture = std::string(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }
    const Mask mask(picture);
    const std::string typed(rest);
    constexpr int kWidth = 12, kDecimals = 2;

    recheckField(mask, kind, typed, kWidth, kDecimals);
    const MaskEdit edit(mask, kind, kWidth, kDecimals);
    maskEditWalk(edit);
    mask.isNumeric();
    mask.templateText();

    switch (kind) {
    case ValueKind::Number: {
        auto v = mask.parseNumber(typed);
        if (!v || !mask.fits(*v, kDecimals, kWidth)) {
            mask.formatNumber(v ? *v : Decimal(), kDecimals, kWidth);
            break;
        }
        const std::string shown = mask.formatNumber(*v, kDecimals, kWidth);
        auto back = mask.parseNumber(shown);
        const int decimals = mask.hasTemplate() ? mask.decimals() : kDecimals;
        const bool numberPicture = mask.isNumeric() || !mask.hasTemplate(); // as number fields use them
        if (ours && numberPicture && (!back || *back != v->round(decimals)))
            fail("mask", "\"" + picture + "\": \"" + typed + "\" is shown as \"" + shown + "\", which reads back otherwise");
        break;
    }
    case ValueKind::Text: {
        const std::string display = maskTypeInto(edit, mask.formatText(""), typed);
        const std::string value = mask.parseText(display);
        const std::string again = mask.formatText(value);
        mask.parseText(typed);
        mask.formatText(typed);
        if (ours && mask.hasTemplate() && again != display)
            fail("mask", "\"" + picture + "\": typed \"" + display + "\" is shown as \"" + again + "\"");
        break;
    }
    case ValueKind::Date: {
        Mask::parseDate(typed);
        const std::string display = maskTypeInto(edit, Mask::formatDate(Date()), typed);
        ParsedDate d = Mask::parseDate(display);
        if (d.status != DateStatus::Valid) break;
        ParsedDate back = Mask::parseDate(Mask::formatDate(d.date));
        if (back.status != DateStatus::Valid || !(back.date == d.date))
            fail("mask", "the date \"" + display + "\" is shown as \"" + Mask::formatDate(d.date) + "\", which reads back otherwise");
        break;
    }
    case ValueKind::Logical:
        mask.formatLogical(Mask::parseLogical(typed));
        break;
    }
    Mask::upper(typed);
    return 0;
}

} // namespace arv::fuzz
