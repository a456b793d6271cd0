// Which swap-control extension the game asks from a GLX extension string.
#include <gtest/gtest.h>

#include "shell/swapcontrol.h"

namespace {

TEST(SwapControl, TakesTheFirstOfExtMesaSgiOfferedUnderItsExactName)
{
    const struct {
        const char* extensions;
        SwapControl expected;
    } table[] = {
        {nullptr, SwapControl::NotOffered},
        {"", SwapControl::NotOffered},
        {"GLX_MESA_query_renderer GLX_OML_swap_method", SwapControl::NotOffered},  // as under Xvfb
        {"GLX_EXT_swap_control_tear GLX_XMESA_swap_control GLX_SGI_swap_controller", SwapControl::NotOffered},
        {"GLX_SGI_swap_control", SwapControl::Sgi},
        {"GLX_SGI_swap_control GLX_MESA_swap_control", SwapControl::Mesa},
        {"GLX_EXT_swap_control_tear GLX_SGI_swap_control GLX_MESA_swap_control GLX_EXT_swap_control",
         SwapControl::Ext},
        {"GLX_EXT_swap_control GLX_ARB_multisample", SwapControl::Ext},
    };
    for (const auto& row : table) {
        EXPECT_EQ(chooseSwapControl(row.extensions), row.expected)
            << (row.extensions == nullptr ? "(null)" : row.extensions);
    }
}

}  // namespace
