# tessary_library(NAME SOURCES a.cpp ... LIBS dep1 dep2)
# One static library per subsystem folder. While a folder has no sources yet the library is an
# interface library, so everything that links it still configures.
function(tessary_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  if(L_SOURCES)
    add_library(${name} STATIC ${L_SOURCES})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()
