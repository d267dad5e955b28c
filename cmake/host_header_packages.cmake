# The header-only libraries the project takes from Debian (nlohmann-json,
# CLI11) serve the cross build too: their headers do not depend on the
# target. Each is offered through a folder that holds only its own headers,
# so the cross compiler never sees the host's system headers.
function(tq_host_header_package package target header_dir)
  set(stage ${CMAKE_BINARY_DIR}/host-headers/${package})
  if(NOT EXISTS /usr/include/${header_dir})
    return()  # not installed: find_package reports it as usual
  endif()
  file(MAKE_DIRECTORY ${stage}/include)
  file(CREATE_LINK /usr/include/${header_dir} ${stage}/include/${header_dir} SYMBOLIC)
  file(WRITE ${stage}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${stage}/include)\n"
    "endif()\n")
  foreach(dir /usr/share/cmake /usr/lib/cmake)
    if(EXISTS ${dir}/${package}/${package}ConfigVersion.cmake)
      file(COPY ${dir}/${package}/${package}ConfigVersion.cmake DESTINATION ${stage})
      break()
    endif()
  endforeach()
  set(${package}_DIR ${stage} CACHE PATH "Host headers of ${package} for the cross build" FORCE)
endfunction()

tq_host_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann)
tq_host_header_package(CLI11 CLI11::CLI11 CLI)
