add_library(vantrel_options INTERFACE)
target_compile_options(vantrel_options INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(WIN32)
  # Unicode Win32 API throughout; XP SP3 is the oldest system the installer accepts.
  target_compile_definitions(vantrel_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()
if(VANTREL_SANITIZE AND NOT WIN32)
  target_compile_options(vantrel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(vantrel_options INTERFACE -fsanitize=address,undefined)
endif()
