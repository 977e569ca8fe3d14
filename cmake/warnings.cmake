# Compiler flags shared by every target of the project.
add_library(voxra_flags INTERFACE)
target_compile_options(voxra_flags INTERFACE -Wall -Wextra)
if(VOXRA_WERROR)
  target_compile_options(voxra_flags INTERFACE -Werror)
endif()
if(VOXRA_SANITIZE)
  target_compile_options(voxra_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(voxra_flags INTERFACE -fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")  # coverage for the fuzz target (fuzz/)
    target_compile_options(voxra_flags INTERFACE -fsanitize=fuzzer-no-link)
  endif()
endif()
if(MINGW)
  # voxra.exe and the test binaries run without extra DLLs.
  target_link_options(voxra_flags INTERFACE -static -static-libgcc -static-libstdc++)
endif()
