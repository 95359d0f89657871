# One interface target carries the warnings and shared defines for every target of the project.
add_library(tarnolux_options INTERFACE)
target_compile_features(tarnolux_options INTERFACE cxx_std_20)
if(MSVC)
  target_compile_options(tarnolux_options INTERFACE /W4 /permissive- /utf-8 /Zc:__cplusplus)
  if(TARNOLUX_WERROR)
    target_compile_options(tarnolux_options INTERFACE /WX)
  endif()
else()
  target_compile_options(tarnolux_options INTERFACE -Wall -Wextra -Wnon-virtual-dtor
                         $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
  if(TARNOLUX_WERROR)
    target_compile_options(tarnolux_options INTERFACE -Werror)
  endif()
endif()
target_compile_definitions(tarnolux_options INTERFACE
  TARNOLUX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  TARNOLUX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  $<$<PLATFORM_ID:Linux>:TARNOLUX_LINUX=1>
  $<$<PLATFORM_ID:Windows>:TARNOLUX_WIN32=1>)
# The Win32 files see the wide entry points only, and <windows.h> without its min/max macros.
if(WIN32)
  target_compile_definitions(tarnolux_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
                             _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endif()
if(TARNOLUX_BUILD_FUZZ)
  # Coverage for the fuzzer in every library the targets link, with the sanitizers that make a
  # silent fault a crash.
  target_compile_options(tarnolux_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tarnolux_options INTERFACE -fsanitize=address,undefined)
endif()
if(TARNOLUX_SANITIZE)
  # GCC leaves an out-of-range conversion from floating point out of "undefined"; stored numbers are
  # clamped before they are converted, and this checks that none slips through.
  target_compile_options(tarnolux_options INTERFACE -fsanitize=address,undefined,float-cast-overflow
                         -fno-omit-frame-pointer -fno-sanitize-recover=undefined,float-cast-overflow)
  target_link_options(tarnolux_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()
