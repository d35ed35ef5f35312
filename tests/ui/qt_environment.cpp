// Creates the one QApplication before any test constructs a widget.
#include "tests/ui/ui_test_support.h"

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { virmeya::test::app(); }
  void TearDown() override { virmeya::test::endApp(); }
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
