#include "ocilite/ora_number.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ocilite {

void ora_number::normalize() {
    size_t lead = digits_.find_first_not_of('0');
    if (lead == std::string::npos) {
        digits_.clear();
        exponent_ = 0;
        negative_ = false;
        return;
    }
    digits_.erase(0, lead);
    exponent_ -= static_cast<int>(lead);
    digits_.erase(digits_.find_last_not_of('0') + 1);
}

ora_number ora_number::from_int(int64_t v) {
    ora_number n;
    n.negative_ = v < 0;
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    n.digits_ = std::to_string(u);
    n.exponent_ = static_cast<int>(n.digits_.size());
    n.normalize();
    return n;
}

ora_number ora_number::from_double(double v) {
    if (!std::isfinite(v)) return {};
    char buf[64];
    // 15 significant digits hide binary noise (0.1 * 3 gives .3). The radix stays '.': the
    // program never changes LC_NUMERIC.
    std::snprintf(buf, sizeof buf, "%.14e", v);
    return parse(buf).value_or(ora_number{});
}

std::optional<ora_number> ora_number::parse(std::string_view s) {
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < s.size() && blank(s[i])) ++i;
    size_t e = s.size();
    while (e > i && blank(s[e - 1])) --e;
    s = s.substr(i, e - i);
    if (s.empty()) return std::nullopt;
    ora_number n;
    size_t p = 0;
    if (s[p] == '+' || s[p] == '-') n.negative_ = s[p++] == '-';
    bool any = false, point = false;
    int int_digits = 0;
    for (; p < s.size(); ++p) {
        char c = s[p];
        if (c >= '0' && c <= '9') {
            n.digits_ += c;
            if (!point) ++int_digits;
            any = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return std::nullopt;
    long exp10 = 0;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        ++p;
        bool neg = false;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) neg = s[p++] == '-';
        if (p >= s.size()) return std::nullopt;
        for (; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p) {
            exp10 = exp10 * 10 + (s[p] - '0');
            if (exp10 > 100000) return std::nullopt;
        }
        if (neg) exp10 = -exp10;
    }
    if (p != s.size()) return std::nullopt;
    n.exponent_ = int_digits + static_cast<int>(exp10);
    n.normalize();
    return n;
}

int ora_number::integer_digits() const { return digits_.empty() || exponent_ < 0 ? 0 : exponent_; }

bool ora_number::is_integral() const { return static_cast<int>(digits_.size()) <= exponent_ || digits_.empty(); }

std::optional<int64_t> ora_number::to_int64() const {
    if (digits_.empty()) return 0;
    if (!is_integral() || exponent_ > 19) return std::nullopt;
    std::string text = digits_ + std::string(exponent_ - digits_.size(), '0');
    errno = 0;
    char* end = nullptr;
    std::string full = (negative_ ? "-" : "") + text;
    long long v = std::strtoll(full.c_str(), &end, 10);
    if (errno == ERANGE) return std::nullopt;
    return static_cast<int64_t>(v);
}

double ora_number::to_double() const {
    if (digits_.empty()) return 0.0;
    std::string t = std::string(negative_ ? "-" : "") + "0." + digits_ + "e" + std::to_string(exponent_);
    return std::strtod(t.c_str(), nullptr);
}

ora_number ora_number::rounded(int scale) const { return cut(scale, true); }
ora_number ora_number::truncated(int scale) const { return cut(scale, false); }

ora_number ora_number::cut(int scale, bool round_half_up) const {
    if (digits_.empty()) return *this;
    // Number of digits kept: those left of position `scale` after the point.
    long keep = static_cast<long>(exponent_) + scale;
    if (keep >= static_cast<long>(digits_.size())) return *this;
    ora_number r = *this;
    if (keep < 0) return ora_number{};
    bool up = round_half_up && digits_[keep] >= '5';
    r.digits_ = digits_.substr(0, keep);
    if (up) {
        long i = keep - 1;
        while (i >= 0 && r.digits_[i] == '9') r.digits_[i--] = '0';
        if (i < 0) {
            r.digits_.insert(r.digits_.begin(), '1');
            ++r.exponent_;
        } else {
            ++r.digits_[i];
        }
    }
    r.normalize();
    if (r.digits_.empty()) r.negative_ = false;
    return r;
}

ora_number ora_number::rounded_significant(int n) const {
    if (digits_.empty()) return *this;
    return rounded(n - exponent_);
}

ora_number ora_number::negated() const {
    ora_number r = *this;
    if (!r.digits_.empty()) r.negative_ = !r.negative_;
    return r;
}

std::string ora_number::to_string() const {
    if (digits_.empty()) return "0";
    std::string out = negative_ ? "-" : "";
    int n = static_cast<int>(digits_.size());
    // Digits a plain print needs: integer part (with zeros) or leading fraction zeros plus digits.
    int plain = exponent_ >= n ? exponent_ : (exponent_ > 0 ? n : n - exponent_);
    if (plain > 40) {
        out += digits_[0];
        if (n > 1) out += "." + digits_.substr(1);
        int e = exponent_ - 1;
        out += e < 0 ? "E-" : "E+";
        out += std::to_string(e < 0 ? -e : e);
        return out;
    }
    if (exponent_ >= n) {
        out += digits_ + std::string(exponent_ - n, '0');
    } else if (exponent_ > 0) {
        out += digits_.substr(0, exponent_) + "." + digits_.substr(exponent_);
    } else {
        out += "." + std::string(-exponent_, '0') + digits_;
    }
    return out;
}

}  // namespace ocilite
