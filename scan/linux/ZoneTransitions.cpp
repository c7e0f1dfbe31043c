#include "scan/linux/ZoneTransitions.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace agendix::scan {
namespace {

// Reads the big-endian integers of a zone file, failing softly past its end.
class Reader {
  public:
    explicit Reader(std::string_view data) : data_(data) {}

    bool Skip(std::size_t count) {
        ok_ = ok_ && count <= data_.size() - position_;
        position_ = ok_ ? position_ + count : position_;
        return ok_;
    }
    std::int64_t Signed(std::size_t width) {
        if (!ok_ || width > data_.size() - position_) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value = value << 8 | static_cast<unsigned char>(data_[position_ + i]);
        }
        position_ += width;
        const int unused = 64 - static_cast<int>(width) * 8;
        return static_cast<std::int64_t>(value << unused) >> unused;  // sign-extended
    }
    std::string_view Rest() const { return data_.substr(position_); }
    bool Ok() const { return ok_; }

  private:
    std::string_view data_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

struct Header {
    char version = 0;
    std::int64_t utcIndicators, standardIndicators, leapSeconds, times, types, characters;
};

bool ReadHeader(Reader& reader, Header& header) {
    if (reader.Rest().substr(0, 4) != "TZif" || !reader.Skip(4)) {
        return false;
    }
    header.version = reader.Rest().empty() ? 0 : reader.Rest().front();
    reader.Skip(16);
    for (std::int64_t* count :
         {&header.utcIndicators, &header.standardIndicators, &header.leapSeconds, &header.times,
          &header.types, &header.characters}) {
        *count = reader.Signed(4);
    }
    const bool countsValid = header.utcIndicators >= 0 && header.standardIndicators >= 0 &&
                             header.leapSeconds >= 0 && header.times >= 0 && header.types > 0 &&
                             header.characters >= 0;
    return reader.Ok() && countsValid;
}

std::size_t DataSize(const Header& header, std::size_t timeWidth) {
    return static_cast<std::size_t>(header.times) * (timeWidth + 1) +
           static_cast<std::size_t>(header.types) * 6 +
           static_cast<std::size_t>(header.characters) +
           static_cast<std::size_t>(header.leapSeconds) * (timeWidth + 4) +
           static_cast<std::size_t>(header.standardIndicators + header.utcIndicators);
}

}  // namespace

std::unique_ptr<const ZoneTransitions> ZoneTransitions::Load(const std::filesystem::path& file) {
    constexpr std::size_t kLargestZoneFile = 1 << 16;  // zone files are a few kilobytes
    std::ifstream stream(file, std::ios::binary);
    std::string data(kLargestZoneFile, '\0');
    stream.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(stream.gcount()));
    return stream.bad() ? nullptr : Parse(data);
}

std::unique_ptr<const ZoneTransitions> ZoneTransitions::Parse(std::string_view data) {
    // The 64-bit data of version 2 and later follows the 32-bit data of version 1.
    Reader reader(data);
    Header header;
    if (!ReadHeader(reader, header) || header.version < '2' || !reader.Skip(DataSize(header, 4)) ||
        !ReadHeader(reader, header) || header.leapSeconds != 0 ||
        DataSize(header, 8) > reader.Rest().size()) {
        return nullptr;
    }
    std::unique_ptr<ZoneTransitions> zone(new ZoneTransitions);
    for (std::int64_t i = 0; i < header.times; ++i) {
        zone->times_.push_back(reader.Signed(8));
    }
    std::vector<std::int64_t> typeOfChange;
    for (std::int64_t i = 0; i < header.times; ++i) {
        typeOfChange.push_back(reader.Signed(1) & 0xFF);
    }
    std::vector<int> offsetOfType;
    for (std::int64_t i = 0; i < header.types; ++i) {
        offsetOfType.push_back(static_cast<int>(reader.Signed(4)));
        reader.Skip(2);  // daylight-saving flag and name
    }
    reader.Skip(DataSize(header, 8) - static_cast<std::size_t>(header.times) * 9 -
                static_cast<std::size_t>(header.types) * 6);
    for (const std::int64_t type : typeOfChange) {
        if (type >= header.types) {
            return nullptr;
        }
        zone->offsets_.push_back(offsetOfType[static_cast<std::size_t>(type)]);
    }
    // The footer ("\nTZ string\n") names the rule after the last change; without a comma it
    // has no daylight-saving part.
    const std::string_view footer = reader.Rest();
    zone->lastHoldsForGood_ =
        footer.size() >= 2 && footer.front() == '\n' && footer.find(',') == std::string_view::npos;
    if (!reader.Ok() || !std::is_sorted(zone->times_.begin(), zone->times_.end())) {
        return nullptr;
    }
    return zone;
}

std::optional<int> ZoneTransitions::OffsetAt(std::int64_t utc) const {
    if (times_.empty() || utc < times_.front() || (utc >= times_.back() && !lastHoldsForGood_)) {
        return std::nullopt;
    }
    const auto next = std::upper_bound(times_.begin(), times_.end(), utc);
    return offsets_[static_cast<std::size_t>(next - times_.begin()) - 1];
}

}  // namespace agendix::scan
