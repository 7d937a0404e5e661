#include <gtest/gtest.h>

#include "HeadlessHost.h"
#include "Window.h"

using namespace quillo;

TEST(Window, ColourChangeRepaintsSameColourDoesNot) {
    HeadlessHost host({64, 48});
    Form form(host);
    form.repaint();
    form.setColor(clBlack);
    EXPECT_FALSE(form.repaintPending());
    form.setColor(clNavy);
    EXPECT_TRUE(form.repaintPending());
}
