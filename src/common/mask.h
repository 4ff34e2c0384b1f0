// Display masks ("pictures") of edit fields, browse columns and printed reports.
//
// A picture has an optional function part and an optional template:
//
//   "@" + function letters, ended by one blank, then the template   e.g. "@ZE 9,999,999.99"
//   only functions                                                    e.g. "@!"
//   only a template                                                   e.g. "99999", "99:99"
//
// Functions: E  European numbers (the template's ',' prints as '.', its '.' as ',')
//            Z  blank when the value is zero
//            !  every letter in upper case
//            R  template literals are inserted for display and not stored with the text
//            B  numbers left-aligned instead of right-aligned
//            S<n> scroll width of the edit field (kept, the widget uses it)
//            K, D, X, C, (  accepted and kept; they change nothing here
//
// Template positions: 9 digit (and the sign for numbers), # digit, blank or sign, A letter,
// N letter or digit, X any character, ! any character in upper case, L logical (T/F/Y/N),
// Y (Y/N); for numbers ',' is the thousands separator (shown only after a digit) and '.' the
// decimal point. Every other character is a literal ("99 %", "99:99").
//
// Text is UTF-8 throughout and is handled by code points, so "à" takes one position and
// upper-cases to "À".
#pragma once

#include "common/date.h"
#include "common/decimal.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arv {

enum class DateStatus { Empty, Valid, Invalid };

struct ParsedDate {
    DateStatus status = DateStatus::Empty;
    Date date; // set only when status is Valid
};

class Mask {
public:
    Mask() = default; // no picture at all
    explicit Mask(std::string_view picture);

    const std::string& picture() const { return picture_; }
    // Function letters in upper case, in the order written ("ZE"); "S" without its number.
    const std::string& functions() const { return functions_; }
    bool hasFunction(char letter) const;
    // The template part as written (UTF-8), empty when the picture has none.
    std::string templateText() const;

    bool european() const { return hasFunction('E'); }
    bool blankWhenZero() const { return hasFunction('Z'); }
    bool upperAll() const { return hasFunction('!'); }
    bool insertLiterals() const { return hasFunction('R'); }
    bool leftAligned() const { return hasFunction('B'); }
    // Width given by "@S<n>", 0 without it.
    int scrollWidth() const { return scroll_; }

    bool hasTemplate() const { return !tpl_.empty(); }
    // Characters of the template (0 without one).
    int width() const { return static_cast<int>(tpl_.size()); }
    // Digit positions after the template's decimal point.
    int decimals() const { return decimals_; }
    // Digit positions before the decimal point.
    int integerDigits() const { return intDigits_; }
    // True when the template holds only number positions, separators and literals, or when
    // the functions are number functions (E, Z) without a template. A picture like "99999" is
    // numeric by shape; a caller that applies it to a text field formats it as text.
    bool isNumeric() const;

    // ---- numbers ----
    // The value rounded half away from zero to the template's decimals, grouped, right-aligned
    // in the template width. Zero under "@Z" gives blanks of the width; a value that does not
    // fit gives the template with '*' in every digit position.
    // Without a template the number is written like xBase STR: 10 integer places, then the
    // decimal point and `decimalsWithoutTemplate` decimals; a numeric field passes its own
    // width as `widthWithoutTemplate` (0: the STR width above).
    std::string formatNumber(const Decimal& value, int decimalsWithoutTemplate = 0, int widthWithoutTemplate = 0) const;
    // False when formatNumber() would overflow ("Numero troppo grande.").
    bool fits(const Decimal& value, int decimalsWithoutTemplate = 0, int widthWithoutTemplate = 0) const;
    // Reads back a displayed or typed number: blanks and template literals are skipped; under
    // "@E" "1.234,50" is 1234.50, otherwise "1,234.50". A thousands separator must be followed by
    // exactly three digits. Blank text is zero; unreadable text gives nullopt.
    std::optional<Decimal> parseNumber(std::string_view text) const;

    // ---- text ----
    // Applies the template to a character value: placeholders take the value's characters
    // (position by position, or in sequence under "@R" where literals are inserted), '!' and
    // "@!" upper-case. A value shorter than the template is padded with blanks; without a
    // template the value is returned whole (upper-cased under "@!").
    std::string formatText(std::string_view value) const;
    // Typed text back to the value to store: "@R" literals are dropped, upper-casing applied,
    // and characters that their position refuses become blanks.
    std::string parseText(std::string_view typed) const;

    // ---- dates and logicals ----
    // "dd/mm/yy"; the empty date as "  /  /  ".
    static std::string formatDate(const Date& date);
    // Blank text (blanks and separators only) is Empty; otherwise Valid or Invalid.
    static ParsedDate parseDate(std::string_view text);
    // "Y"/"N" under a "Y" template, else "T"/"F".
    std::string formatLogical(bool value) const;
    // T, Y, S (Sì) are true, in either case; anything else false.
    static bool parseLogical(std::string_view text);

    // Upper case of UTF-8 text (ASCII and the accented Latin letters).
    static std::string upper(std::string_view text);

private:
    friend class MaskEdit;

    std::optional<std::u32string> layoutNumber(const Decimal& value, int decimalsWithoutTemplate, int widthWithoutTemplate) const;

    std::string picture_;
    std::string functions_;
    std::u32string tpl_;
    int scroll_ = 0;
    int decimals_ = 0;
    int intDigits_ = 0;
};

enum class ValueKind { Text, Number, Date, Logical };

// Messages of the re-check that an edit dialog makes of its fields when it is confirmed.
inline constexpr const char* kMsgInvalidDate = "Data non valida.";
inline constexpr const char* kMsgNumberTooLarge = "Numero troppo grande.";
inline constexpr const char* kMsgInvalidField = "Campo non valido.";

// The mask part of that re-check for the text typed in a field: a date that is neither blank
// nor valid gives "Data non valida."; a number that does not fit the mask (or, without a
// template, the field's width and decimals) gives "Numero troppo grande."; a number that cannot
// be read at all gives "Campo non valido.". nullopt when the field passes; the field's own
// validation rule is checked by the dialog after this.
std::optional<std::string> recheckField(const Mask& mask, ValueKind kind, std::string_view typed, int fieldWidth = 0,
                                        int fieldDecimals = 0);

// What a masked edit field needs to know while the user types: how long the edit buffer is,
// which positions take keys, and which character a key puts there. The widget itself (cursor,
// overwrite, the decimal point jump) is built on top of this.
class MaskEdit {
public:
    // fieldWidth/fieldDecimals describe the stored field; they matter when the mask has no
    // template (text fields edit their whole width, numbers their STR layout).
    MaskEdit(const Mask& mask, ValueKind kind, int fieldWidth = 0, int fieldDecimals = 0);

    ValueKind kind() const { return kind_; }
    // Characters in the edit buffer.
    int length() const { return static_cast<int>(layout_.size()); }
    bool isEditable(int pos) const;
    std::vector<int> editablePositions() const;
    // Next/previous editable position after/before pos; -1 when there is none.
    int nextEditable(int pos) const;
    int previousEditable(int pos) const;
    // Buffer position of the decimal point of a number, -1 when none.
    int decimalPosition() const;
    // The character to store when ch is typed at pos (upper-cased where the mask says so), or
    // nullopt when the position refuses it or is a literal.
    std::optional<char32_t> accept(int pos, char32_t ch) const;

private:
    Mask mask_;
    ValueKind kind_;
    std::u32string layout_; // template characters; literals as themselves
    std::vector<bool> editable_;
};

} // namespace arv
