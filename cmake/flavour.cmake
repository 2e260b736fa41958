# Compiler and linker settings of each build flavour.

set(VORNSFX_WINDOWS OFF)
if(WIN32)
  set(VORNSFX_WINDOWS ON)
  include(ucrt)
  # Unicode Win32 entry points everywhere; nothing from the old ANSI API.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# The stub's compile options, and those its engine adds on top; the Windows
# test tree compiles a second copy of the engine with both, so the benchmark
# can time the engine exactly as the stub runs it. The engine needs none of
# its own: its hot operations are always inlined, which makes its -Os loops
# as fast as -O3's within a few percent, while -O2 for the engine alone
# would take 9.7 KB of the stub's headroom (measured).
set(VORNSFX_STUB_OPTIONS -Os -ffunction-sections -fno-rtti -Wall -Wextra)
set(VORNSFX_STUB_ENGINE_OPTIONS)

if(VORNSFX_FLAVOUR STREQUAL "stub")
  # Every byte counts: the stub's image must stay within its fixed budget.
  # No -fdata-sections: for PE targets GCC then gives zero-initialised arrays
  # sections with contents, so the engine's tables would fill the file
  # instead of .bss.
  add_compile_options(${VORNSFX_STUB_OPTIONS})
  add_link_options(-static -s -Wl,--gc-sections)
elseif(VORNSFX_FLAVOUR STREQUAL "wintest")
  add_compile_options(-O1 -g0 -Wall -Wextra)
  # winpthreads calls _setjmp, which the Universal CRT exports as setjmp.
  add_link_options(-static -Wl,--defsym,_setjmp=setjmp)
elseif(VORNSFX_FLAVOUR STREQUAL "wintool")
  # A program that runs on a bare Windows: no MinGW runtime DLL beside it.
  add_compile_options(-Wall -Wextra)
  add_link_options(-static -s -Wl,--defsym,_setjmp=setjmp)
elseif(VORNSFX_FLAVOUR STREQUAL "host")
  add_compile_options(-Wall -Wextra)
  if(VORNSFX_SANITIZE)
    add_compile_options(-O1 -g -fno-omit-frame-pointer
                        -fsanitize=address,undefined -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    # An index past a string's or vector's end can land inside the object
    # itself, where AddressSanitizer sees nothing wrong; the library's own
    # bounds checks stop it.
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
  elseif(NOT VORNSFX_FUZZ)
    # The installed builder gets the hardening Debian gives its packages:
    # checked libc calls and a read-only global offset table.
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_link_options(-Wl,-z,relro,-z,now)
  endif()
elseif(VORNSFX_FLAVOUR STREQUAL "wasm")
  # Emscripten: the builder reports failures by throwing, so exceptions are
  # WebAssembly's own (JavaScript-based ones would slow every call that may
  # throw). No threads: the page runs the builder in one worker.
  add_compile_options(-O3 -fwasm-exceptions -Wall -Wextra)
  add_link_options(-O3 -fwasm-exceptions)
else()
  message(FATAL_ERROR "Unknown VORNSFX_FLAVOUR '${VORNSFX_FLAVOUR}'")
endif()

# Reproducible builds: no path of the source tree reaches a binary (__FILE__,
# debug information), so two checkouts in different folders give the same
# bytes. The PE link time stamp comes from SOURCE_DATE_EPOCH, which the
# linker reads itself (scripts/build sets it to the last commit's time).
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>)
