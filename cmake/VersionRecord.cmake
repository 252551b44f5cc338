# Gives an executable its fixed version record, in the section the About
# window reads it from.
function(orvane_add_version_record target major minor release build)
  set(ORVANE_VERSION_MS "(${major}u << 16 | ${minor}u)")
  set(ORVANE_VERSION_LS "(${release}u << 16 | ${build}u)")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.c")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version_record.c.in" "${out}" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()
