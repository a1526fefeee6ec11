#include "keyboard/KeyPlaces.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace vexlin {
namespace {

struct Entry {
    int virtualKey;
    SpriteSize size;
    std::vector<SpritePlace> places;
};

// Rows of the picture, top to bottom.
constexpr int kNavigationRow = 26;
constexpr int kFunctionRow = 50;
constexpr int kDigitRow = 77;
constexpr int kTopLetterRow = 114;
constexpr int kHomeRow = 151;
constexpr int kBottomLetterRow = 189;
constexpr int kSpaceRow = 227;
constexpr int kArrowRow = 253;

constexpr int kCtrl = 17;
constexpr int kEnter = 13;
const std::vector<SpritePlace> kLeftCtrl{{80, kSpaceRow}};
const std::vector<SpritePlace> kRightCtrl{{461, kSpaceRow}};

std::vector<SpritePlace> row(int y, std::initializer_list<int> xs) {
    std::vector<SpritePlace> places;
    for (int x : xs) {
        places.push_back({x, y});
    }
    return places;
}

void addRowOfKeys(std::vector<Entry>& table, int firstKey, int y, SpriteSize size,
                  std::initializer_list<int> xs) {
    int key = firstKey;
    for (int x : xs) {
        table.push_back({key++, size, {{x, y}}});
    }
}

void addKeys(std::vector<Entry>& table, int y, SpriteSize size,
             std::initializer_list<std::pair<int, int>> keysAndXs) {
    for (const auto& [key, x] : keysAndXs) {
        table.push_back({key, size, {{x, y}}});
    }
}

std::vector<Entry> buildTable() {
    using enum SpriteSize;
    std::vector<Entry> t;
    addKeys(t, kNavigationRow, Small, {{45, 502}, {36, 534}, {33, 565}});

    addKeys(t, kFunctionRow, Small, {{27, 35}, {46, 502}, {35, 534}, {34, 565}});
    addRowOfKeys(t, 112, kFunctionRow, Small, {75, 108, 142, 175, 219, 252, 284, 318, 361, 396, 427, 459});

    addKeys(t, kDigitRow, Wide, {{192, 34}, {48, 414}, {189, 451}, {187, 488}});
    addRowOfKeys(t, '1', kDigitRow, Wide, {72, 110, 147, 186, 224, 262, 300, 338, 376});
    t.push_back({8, Wide, row(kDigitRow, {528, 556})});

    t.push_back({9, Wide, row(kTopLetterRow, {37, 51})});
    for (auto [letter, x] : std::initializer_list<std::pair<char, int>>{{'Q', 91},
                                                                        {'W', 129},
                                                                        {'E', 167},
                                                                        {'R', 205},
                                                                        {'T', 243},
                                                                        {'Y', 281},
                                                                        {'U', 319},
                                                                        {'I', 357},
                                                                        {'O', 395},
                                                                        {'P', 433}}) {
        t.push_back({letter, Wide, {{x, kTopLetterRow}}});
    }
    addKeys(t, kTopLetterRow, Wide, {{219, 470}, {221, 507}});
    t.push_back({220, Wide, row(kTopLetterRow, {546, 560})});
    // Code 43 is not produced by any key here; its one sprite sits on the Tab key, one pixel lower.
    t.push_back({43, Wide, {{37, kTopLetterRow + 1}}});

    t.push_back({20, Wide, row(kHomeRow, {34, 62})});
    for (auto [letter, x] : std::initializer_list<std::pair<char, int>>{{'A', 100},
                                                                        {'S', 138},
                                                                        {'D', 176},
                                                                        {'F', 214},
                                                                        {'G', 252},
                                                                        {'H', 290},
                                                                        {'J', 328},
                                                                        {'K', 366},
                                                                        {'L', 404}}) {
        t.push_back({letter, Wide, {{x, kHomeRow}}});
    }
    addKeys(t, kHomeRow, Wide, {{186, 442}, {222, 479}});
    t.push_back({kEnter, Wide, row(kHomeRow, {517, 545, 559})});

    // One code for both Shift keys, so both light together.
    t.push_back({16, Wide, row(kBottomLetterRow, {34, 62, 76, 500, 528, 556})});
    for (auto [letter, x] : std::initializer_list<std::pair<char, int>>{
             {'Z', 119}, {'X', 157}, {'C', 195}, {'V', 233}, {'B', 271}, {'N', 309}, {'M', 347}}) {
        t.push_back({letter, Wide, {{x, kBottomLetterRow}}});
    }
    addKeys(t, kBottomLetterRow, Wide, {{188, 385}, {190, 422}, {191, 459}});

    addKeys(t, kSpaceRow, Wide, {{91, 118}, {93, 423}});
    t.push_back({32, Wide, row(kSpaceRow, {196, 224, 252, 280, 308, 336, 350})});
    addKeys(t, kSpaceRow, Small, {{38, 535}});

    addKeys(t, kArrowRow, Small, {{37, 503}, {40, 535}, {39, 566}});
    return t;
}

const std::vector<Entry>& table() {
    static const std::vector<Entry> entries = buildTable();
    return entries;
}

const std::vector<int>& keys() {
    static const std::vector<int> list = [] {
        std::vector<int> out;
        for (const auto& entry : table()) {
            out.push_back(entry.virtualKey);
        }
        out.push_back(kCtrl);
        return out;
    }();
    return list;
}

constexpr int kAlt = 18;
const std::vector<SpritePlace> kLeftAlt{{156, kSpaceRow}};
const std::vector<SpritePlace> kRightAlt{{386, kSpaceRow}};

const std::vector<SpritePlace> kLeftMouse{{210, 265}, {234, 265}, {258, 265},
                                          {217, 391}, {235, 391}, {259, 391}};
const std::vector<SpritePlace> kRightMouse{{286, 265}, {310, 265}, {334, 265},
                                           {286, 391}, {310, 391}, {328, 391}};

} // namespace

KeyPlaces keyPlaces(int virtualKey, bool extended) {
    if (virtualKey == kCtrl) {
        return {SpriteSize::Wide, extended ? kRightCtrl : kLeftCtrl};
    }
    if (virtualKey == kEnter && extended) {
        return {};
    }
    for (const auto& entry : table()) {
        if (entry.virtualKey == virtualKey) {
            return {entry.size, entry.places};
        }
    }
    return {};
}

KeyPlaces mouseButtonPlaces(MouseButton button) {
    switch (button) {
    case MouseButton::Left:
        return {SpriteSize::Small, kLeftMouse};
    case MouseButton::Right:
        return {SpriteSize::Small, kRightMouse};
    case MouseButton::Other:
        break;
    }
    return {};
}

std::span<const int> placedVirtualKeys() {
    return keys();
}

KeyPlaces unlitKeyPlaces(int virtualKey, bool extended) {
    if (virtualKey == kAlt) {
        return {SpriteSize::Wide, extended ? kRightAlt : kLeftAlt};
    }
    return {};
}

} // namespace vexlin
