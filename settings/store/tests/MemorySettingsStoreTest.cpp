#include <memory>

#include "MemorySettingsStore.h"
#include "StoreRulesTest.h"

namespace agendix::settings {
namespace {

struct MemoryStoreMaker {
    std::unique_ptr<SettingsStore> Make() { return std::make_unique<MemorySettingsStore>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, StoreRulesTest, MemoryStoreMaker);

}  // namespace
}  // namespace agendix::settings
