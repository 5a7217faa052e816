// Resource numbers shared by SizeWarden.rc and the code (the resource compiler reads this too).
#pragma once

#define SW_IDI_APP 1
