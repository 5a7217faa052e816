# Warning flags for every target of ours; errors as well when SW_WERROR is on (CI, presets).
add_library(sw_warnings INTERFACE)
target_compile_options(sw_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                       $<$<BOOL:${SW_WERROR}>:-Werror>)
