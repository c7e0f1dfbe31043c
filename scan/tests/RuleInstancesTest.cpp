#include "scan/linux/RuleInstances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace agendix::scan {
namespace {

icalrecurrencetype Rule(const std::string& text) {
    return icalrecurrencetype_from_string(text.c_str());
}

// The instances libical's iterator gives for the rule walked from its start through `last`.
// The start itself is left out, a series has it whether the rule gives it or not, and so are
// repetitions of an instance (BYDAY=FR,FR), which a series drops.
std::vector<WallSeconds> Walked(const icalrecurrencetype& rule, WallSeconds start, bool isDate,
                                WallSeconds last) {
    std::vector<WallSeconds> instances;
    WalkRule(rule, start, isDate, last, [&](WallSeconds wall) {
        if (wall != start && (instances.empty() || instances.back() != wall)) {
            instances.push_back(wall);
        }
        return true;
    });
    return instances;
}

std::vector<WallSeconds> Within(const std::vector<WallSeconds>& instances, WallRange window) {
    std::vector<WallSeconds> within;
    std::copy_if(instances.begin(), instances.end(), std::back_inserter(within),
                 [&](WallSeconds wall) { return wall >= window.first && wall <= window.last; });
    return within;
}

std::optional<std::vector<WallSeconds>> Calculated(const icalrecurrencetype& rule,
                                                   WallSeconds start, WallRange window) {
    auto instances = CalculateRule(rule, start, window);
    if (instances) {
        std::erase(*instances, start);
    }
    return instances;
}

// Rules of the kinds the calculation handles, with parts drawn at random. Every rule has
// instances again and again: a rule with none sends libical's iterator searching for centuries.
class RandomRules {
  public:
    std::string Next() {
        static constexpr const char* kFrequencies[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
        static constexpr const char* kWeekdays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
        const std::string frequency = kFrequencies[Pick(0, 3)];
        std::string rule = "FREQ=" + frequency;
        if (Chance(50)) {
            rule += ";INTERVAL=" + std::to_string(Pick(1, 4));
        }
        if (Chance(30)) {
            rule += std::string(";WKST=") + kWeekdays[Pick(0, 6)];
        }
        const bool byMonth = Chance(frequency == "YEARLY" ? 60 : 20);
        if (byMonth) {
            rule += ";BYMONTH=" + List(Pick(1, 4), [&] { return std::to_string(Pick(1, 12)); });
        }
        // Numbered weekdays and days of the month may have no day in common: one or the other.
        const bool numbered = frequency == "MONTHLY" && Chance(50);
        if (frequency != "YEARLY" && Chance(60)) {
            rule += ";BYDAY=" + List(Pick(1, 3), [&] {
                        const int position = numbered ? Pick(1, 5) * (Chance(50) ? 1 : -1) : 0;
                        return (position ? std::to_string(position) : "") + kWeekdays[Pick(0, 6)];
                    });
        } else if (frequency != "WEEKLY" && (frequency != "YEARLY" || byMonth) && Chance(50)) {
            // A yearly rule's days of the month need its months; days past the 28th only where
            // every month may have them.
            const int lastDay = byMonth ? 28 : 31;
            rule += ";BYMONTHDAY=" + List(Pick(1, 3), [&] {
                        const bool fromEnd = frequency != "DAILY" && Chance(30);
                        return std::to_string(Pick(1, lastDay) * (fromEnd ? -1 : 1));
                    });
        }
        return rule;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(int percent) { return Pick(1, 100) <= percent; }

  private:
    template <typename Element>
    std::string List(int length, Element element) {
        std::string list = element();
        for (int i = 1; i < length; ++i) {
            list += "," + element();
        }
        return list;
    }

    std::mt19937 random_{20261207};
};

// Where the calculation takes a rule, it must give exactly what the iterator gives: rules begun
// on every kind of day (month ends, 29 February, before 1970), windows shaped as a scan asks
// for them (whole days from midnight) at random distances from the start, and with odd edges.
TEST(IcalRuleInstances, CalculatedInstancesAreTheIteratorsForRandomRulesAndWindows) {
    constexpr int kDaysAhead = 2 * 366;
    RandomRules rules;
    int rulesCalculated = 0;
    int instancesCompared = 0;
    for (int trial = 0; trial < 1000; ++trial) {
        const std::string text = rules.Next();
        const icalrecurrencetype rule = Rule(text);
        const bool isDate = rules.Chance(20);
        const std::int64_t startDay = rules.Pick(-4000, 22000);  // 1959 to 2030
        const WallSeconds start =
            startDay * kSecondsPerDay + (isDate ? 0 : rules.Pick(0, 24 * 60 - 1) * 60);
        if (!CalculateRule(rule, start, {start, start})) {
            continue;
        }
        ++rulesCalculated;
        const auto walked =
            Walked(rule, start, isDate, (startDay + kDaysAhead + 10) * kSecondsPerDay);
        for (int window = 0; window < 6; ++window) {
            const std::int64_t firstDay = startDay + rules.Pick(-10, kDaysAhead);
            WallRange range{firstDay * kSecondsPerDay,
                            (firstDay + rules.Pick(1, 8)) * kSecondsPerDay};
            if (rules.Chance(25)) {
                range.first += rules.Pick(-50000, 50000);
                range.last += rules.Pick(-50000, 50000);
            }
            const auto expected = Within(walked, range);
            ASSERT_EQ(Calculated(rule, start, range), expected)
                << text << " from " << start << " in [" << range.first << ", " << range.last << "]";
            instancesCompared += static_cast<int>(expected.size());
        }
    }
    EXPECT_GT(rulesCalculated, 900);
    EXPECT_GT(instancesCompared, 2000);  // the comparisons were not of empty lists
}

TEST(IcalRuleInstances, RulesBeyondTheCalculationAreLeftToTheIterator) {
    const WallRange window{0, 7 * kSecondsPerDay};
    for (const char* text :
         {"FREQ=HOURLY", "FREQ=MINUTELY;INTERVAL=15", "FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=-1",
          "FREQ=DAILY;BYHOUR=9,17", "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH", "FREQ=YEARLY;BYYEARDAY=100",
          "FREQ=YEARLY;BYWEEKNO=20", "FREQ=WEEKLY;BYDAY=2MO", "FREQ=WEEKLY;BYMONTHDAY=1",
          "RSCALE=CHINESE;FREQ=YEARLY"}) {
        const icalrecurrencetype rule = Rule(text);
        EXPECT_FALSE(CalculateRule(rule, 0, window)) << text;
        std::free(rule.rscale);
    }
}

}  // namespace
}  // namespace agendix::scan
