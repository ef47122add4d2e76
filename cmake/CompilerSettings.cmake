# Warnings, sanitizers and platform flags shared by every target.
add_compile_options(-Wall -Wextra)
if(TRENDTAB_WERROR)
  add_compile_options(-Werror)
endif()

if(TRENDTAB_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()

if(TRENDTAB_TSAN)
  set(_tsan -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${_tsan})
  add_link_options(${_tsan})
endif()

if(TRENDTAB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  # Fully static: the programs need no MinGW DLLs at run time.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()
