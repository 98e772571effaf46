#include "settings/cValues.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Locations.h"
#include "core/NumberText.h"
#include "core/Numeric.h"
#include "core/Text.h"
#include "core/mFileSystem.h"

namespace {

// Matches "*.*.*": two or more points anywhere.
bool HasTwoPoints(std::string_view text) { return std::count(text.begin(), text.end(), '.') >= 2; }

void PutInt16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutField(std::string& out, std::string_view text) {
    PutInt16(out, static_cast<uint16_t>(text.size()));
    out.append(text);
}

// A cursor over the file's bytes that never reads past their end.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    size_t Remaining() const { return bytes_.size() - at_; }
    bool Int16(uint16_t& v) {
        if (Remaining() < 2) return false;
        v = static_cast<uint16_t>(static_cast<unsigned char>(bytes_[at_]) |
                                  static_cast<unsigned char>(bytes_[at_ + 1]) << 8);
        at_ += 2;
        return true;
    }
    bool Int32(int32_t& v) {
        if (Remaining() < 4) return false;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i) u = u << 8 | static_cast<unsigned char>(bytes_[at_ + i]);
        v = static_cast<int32_t>(u);
        at_ += 4;
        return true;
    }
    bool Field(std::string& text) {
        uint16_t length = 0;
        if (!Int16(length) || Remaining() < length) return false;
        text.assign(bytes_.substr(at_, length));
        at_ += length;
        return true;
    }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

}  // namespace

double SettingValue::Number() const {
    const auto value = mCore::ParseNumber(text_);
    if (!value) return 0;
    return numeric_ ? mCore::ToLong(*value) : *value;
}

int32_t SettingValue::Long() const { return mCore::ToLong(Number()); }
float SettingValue::Single() const { return mCore::ToSingle(Number()); }

void cValues::Reset() { Records_.clear(); }

size_t cValues::Find(std::string_view iName) const {
    size_t i = 0;
    while (i < Records_.size() && !mCore::EqualIgnoringCase(Records_[i].Name, iName)) ++i;
    return i;
}

SettingValue cValues::Value(std::string_view iName) const {
    if (iName.empty()) return {};
    const size_t i = Find(iName);
    if (i == Records_.size()) return {};
    const ValueRecord& record = Records_[i];
    if (record.Numeric) {
        // A numeric record reads as a whole number: 0.5 gives 0 and 1.5 gives 2. A text that
        // does not convert reads as an empty value, as a failed conversion does.
        const auto number = mCore::ParseNumber(record.Text);
        if (!number || !mCore::FitsLong(*number)) return {};
        return SettingValue(mCore::FormatNumber(mCore::ToLong(*number)), true);
    }
    return SettingValue(record.Text, false);
}

std::optional<std::string> cValues::StoredText(std::string_view iName) const {
    const size_t i = Find(iName);
    if (iName.empty() || i == Records_.size()) return std::nullopt;
    return Records_[i].Text;
}

bool cValues::Value(std::string_view iName, std::string_view iValue) {
    if (iName.empty()) return false;
    if (iName.size() > MaxFieldLength || iValue.size() > MaxFieldLength) return false;
    const size_t i = Find(iName);
    if (iValue.empty()) {
        if (i < Records_.size()) {
            // The last record fills the gap; record order is not kept.
            if (i != Records_.size() - 1) Records_[i] = std::move(Records_.back());
            Records_.pop_back();
        }
        return true;
    }
    if (i == Records_.size()) Records_.push_back(ValueRecord{std::string(iName), false, {}});
    ValueRecord& record = Records_[i];
    record.Text.assign(iValue);
    if (HasTwoPoints(iValue)) record.Numeric = false;
    return true;
}

bool cValues::Value(std::string_view iName, double iValue) { return Value(iName, mCore::FormatNumber(iValue)); }
bool cValues::Value(std::string_view iName, float iValue) { return Value(iName, mCore::FormatNumber(iValue)); }
bool cValues::Value(std::string_view iName, int iValue) { return Value(iName, mCore::FormatNumber(iValue)); }

void cValues::SetDefault(std::string_view iName, std::string_view iValue) {
    if (iName.empty() || Find(iName) < Records_.size()) return;
    Value(iName, iValue);
}

std::string cValues::WriteData() const {
    std::string out;
    const int32_t last = LastIndex();
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((static_cast<uint32_t>(last) >> shift) & 0xFF));
    for (const ValueRecord& record : Records_) {
        PutField(out, record.Name);
        PutInt16(out, record.Numeric ? 0xFFFF : 0);
        PutField(out, record.Text);
    }
    return out;
}

bool cValues::ReadData(std::string_view bytes) {
    Records_.clear();
    ByteReader reader(bytes);
    int32_t last = -1;
    if (!reader.Int32(last)) return false;
    if (last < 0) return true;
    // The count is only a claim: never reserve more records than the bytes could hold
    // (a record takes at least six bytes).
    const size_t claimed = static_cast<size_t>(last) + 1;
    Records_.reserve(std::min(claimed, reader.Remaining() / 6));
    for (size_t n = 0; n < claimed; ++n) {
        ValueRecord record;
        uint16_t numeric = 0;
        if (!reader.Field(record.Name) || !reader.Int16(numeric) || !reader.Field(record.Text)) return false;
        record.Numeric = numeric != 0;
        Records_.push_back(std::move(record));
    }
    return true;
}

mFileSystem::ReadOutcome cValues::LoadData(std::string_view iFileName) {
    FileName_.assign(iFileName);
    std::string bytes;
    const mFileSystem::ReadOutcome read = mFileSystem::ReadRegularFile(iFileName, MaxFileBytes, bytes);
    using Kind = mFileSystem::ReadOutcome::Kind;
    // What could not be read may hold the user's settings; a FIFO, a device or a link to
    // one holds none, and a save replaces it as it replaces a missing file.
    KeepReason_ = read.What == Kind::Unreadable || read.What == Kind::TooLarge ? read.Why : "";
    if (read) ReadData(bytes);
    return read;
}

bool cValues::SaveData(std::string_view iFileName) {
    const std::string target(iFileName.empty() ? std::string_view(FileName_) : iFileName);
    SaveFailure_.clear();
    if (target.empty()) {
        SaveFailure_ = "there is no folder to keep them in";
        return false;
    }
    if (target == FileName_ && !KeepReason_.empty()) {
        SaveFailure_ = "it was " + KeepReason_ + " at start, so it is left as it is";
        return false;
    }
    // The user's folder appears on the first save; when it cannot be made, that is the reason.
    if (!mLocations::MakeFolderFor(target, SaveFailure_)) return false;
    if (mFileSystem::ReplaceFileContents(mFileSystem::FileBehindLinks(target), WriteData())) return true;
    SaveFailure_ = std::strerror(errno);
    return false;
}
