#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HexBytes.h"
#include "Messages.h"
#include "SendNames.h"
#include "Tag.h"

namespace delivery {

void PrintTo(const Tag& tag, std::ostream* out) {
    *out << "run " << tag.run << ' ' << tag.from << '>' << tag.to << " #" << tag.sequence;
}

namespace {

const Tag kTag{0x5EED0001, 2, 5, 77};
// Fields that hold the marker's bytes themselves.
const Tag kMarkerInFields{0xC936C936, 0xC936, 0x36C9, 0xC9360036};

proto::Frame joined(std::vector<std::uint8_t> before, const std::vector<std::uint8_t>& data,
                    const std::vector<std::uint8_t>& after) {
    before.insert(before.end(), data.begin(), data.end());
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

struct FoundCase {
    std::string name;
    proto::Frame notice;
    std::vector<Tag> tags;
};

void PrintTo(const FoundCase& row, std::ostream* out) {
    *out << row.name;
}

class TagsInNotice : public testing::TestWithParam<FoundCase> {};

TEST_P(TagsInNotice, AreFoundWhereverTheyLie) {
    EXPECT_EQ(tagsIn(GetParam().notice), GetParam().tags);
}

proto::Frame protocolNotice(const std::vector<std::uint8_t>& data) {
    return proto::encode(proto::ReceiveNotice{proto::NoticeContent{1, 61, data}});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TagsInNotice,
    testing::Values(
        FoundCase{"notice_as_encoded", protocolNotice(taggedData(kTag, 40)), {kTag}},
        FoundCase{"data_alone_no_filler", taggedData(kTag, kTagSize), {kTag}},
        // A module that adds fields of its own before the data, or a trailer after it.
        FoundCase{
            "longer_header",
            joined(hexBytes("05 00 82 20 00 01 3D 00 00 00 11"), taggedData(kTag, 20), {0x7A}),
            {kTag}},
        FoundCase{"tag_at_the_very_end",
                  joined(hexBytes("05 00 82 14 01 02"), taggedData(kTag, kTagSize), {}),
                  {kTag}},
        // Bytes before the data that begin a marker, or look like a whole tag but for the check.
        FoundCase{"marker_byte_before",
                  joined(hexBytes("C9 C9 36 C9"), taggedData(kTag, 30), hexBytes("C9")),
                  {kTag}},
        FoundCase{"false_tag_before",
                  joined(hexBytes("C9 36 5E ED 00 01 00 02 00 05 00 00 00 4D 00 00"),
                         taggedData(kTag, kTagSize), {}),
                  {kTag}},
        FoundCase{"fields_hold_the_marker",
                  protocolNotice(taggedData(kMarkerInFields, 60)),
                  {kMarkerInFields}},
        FoundCase{"two_sends_in_one",
                  joined(taggedData(kTag, 20), taggedData(kMarkerInFields, kTagSize), {}),
                  {kTag, kMarkerInFields}},
        FoundCase{"cut_short",
                  [] {
                      std::vector<std::uint8_t> data = taggedData(kTag, kTagSize);
                      data.pop_back();
                      return data;
                  }(),
                  {}},
        FoundCase{"one_byte_spoiled",
                  [] {
                      std::vector<std::uint8_t> data = taggedData(kTag, 20);
                      data[9] ^= 0x01;
                      return data;
                  }(),
                  {}},
        FoundCase{"untagged", protocolNotice(hexBytes("01 02")), {}}, FoundCase{"empty", {}, {}}),
    [](const auto& info) { return info.param.name; });

// Filler never reads as a tag, whatever the size; the tag leads the data.
TEST(TaggedData, HoldsItsTagOnceAtTheFrontAtEverySize) {
    for (const Tag& tag : {kTag, kMarkerInFields}) {
        for (std::size_t size = kTagSize; size <= proto::kRequestCapacity; ++size) {
            const std::vector<std::uint8_t> data = taggedData(tag, size);
            ASSERT_EQ(data.size(), size);
            EXPECT_EQ(tagsIn(data), std::vector<Tag>{tag}) << "size " << size;
            EXPECT_EQ(tagsIn(proto::Bytes(data).first(kTagSize)), std::vector<Tag>{tag});
        }
    }
}

struct SizeCase {
    std::string name;
    std::uint8_t routeMode;
    std::size_t relays;
    std::size_t most;
};

class DataSizes : public testing::TestWithParam<SizeCase> {};

// The data a send request can carry in the module's 128-byte buffer: 117 bytes, 116 - 2n with
// n relays.
TEST_P(DataSizes, RunFromTheTagToWhatTheRequestCarries) {
    const SizeRange sizes = dataSizes(GetParam().routeMode, GetParam().relays);
    EXPECT_EQ(sizes.least, kTagSize);
    EXPECT_EQ(sizes.most, GetParam().most);
}

INSTANTIATE_TEST_SUITE_P(
    RouteModes, DataSizes,
    testing::Values(SizeCase{"auto", proto::kRouteModeAuto, 0, 117},
                    SizeCase{"forbidden", 0, 0, 117},
                    SizeCase{"source_one_relay", proto::kRouteModeSource, 1, 114},
                    SizeCase{"source_six_relays", proto::kRouteModeSource, 6, 104}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace delivery
