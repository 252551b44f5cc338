# Where everything goes on `cmake --install` and in the two Debian packages:
# the component "convert" is orvane-convert (the converter alone, no Qt, for
# servers), "window" is orvane (the window).
# Debian names the documentation folder after the package, not the project.

install(TARGETS orvane-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT convert)
if(ORVANE_GUI)
  install(TARGETS orvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
  install(FILES resources/orvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)
  install(FILES packaging/example.orvane.Orvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          COMPONENT window)
  foreach(size 16 32 64)
    set(icon resources/orvane-${size}.png)
    if(size EQUAL 64)
      set(icon resources/orvane.png)
    endif()
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orvane.png
            COMPONENT window)
  endforeach()
endif()

# Manual pages, compressed as Debian keeps them. orvane-convert's is made
# from its own --help, so the two cannot drift apart.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
find_program(HELP2MAN_EXECUTABLE help2man)
set(man_dir ${CMAKE_CURRENT_BINARY_DIR}/man)
set(man_pages ${man_dir}/orvane.1.gz)
add_custom_command(OUTPUT ${man_dir}/orvane.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/orvane.1 > ${man_dir}/orvane.1.gz
  DEPENDS packaging/orvane.1 VERBATIM)
if(HELP2MAN_EXECUTABLE)
  add_custom_command(OUTPUT ${man_dir}/orvane-convert.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
    COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1 --name=convert\ lists\ of\ IPv4\ and\ IPv6\ networks\ between\ notations\ and\ as\ address\ sets
            --include=${PROJECT_SOURCE_DIR}/packaging/orvane-convert.h2m --output=${man_dir}/orvane-convert.1
            $<TARGET_FILE:orvane-convert>
    COMMAND ${GZIP_EXECUTABLE} -9nf ${man_dir}/orvane-convert.1
    DEPENDS orvane-convert packaging/orvane-convert.h2m VERBATIM)
  list(APPEND man_pages ${man_dir}/orvane-convert.1.gz)
else()
  message(WARNING "help2man not found: orvane-convert's manual page is not made (apt-get install help2man)")
endif()
add_custom_target(manpages ALL DEPENDS ${man_pages})
if(ORVANE_GUI)
  install(FILES ${man_dir}/orvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT window)
endif()
if(HELP2MAN_EXECUTABLE)
  install(FILES ${man_dir}/orvane-convert.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT convert)
endif()

install(FILES packaging/orvane-convert.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orvane-convert COMPONENT convert)

# Documentation compressed as dh_compress leaves it: everything but the
# copyright file.
set(doc_dir ${CMAKE_CURRENT_BINARY_DIR}/doc)
add_custom_command(OUTPUT ${doc_dir}/changelog.Debian.gz ${doc_dir}/README.md.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_dir}
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${doc_dir}/changelog.Debian.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/README.md > ${doc_dir}/README.md.gz
  DEPENDS packaging/changelog README.md VERBATIM)
add_custom_target(docs ALL DEPENDS ${doc_dir}/changelog.Debian.gz ${doc_dir}/README.md.gz)
foreach(component IN ITEMS convert window)
  set(package orvane-convert)
  if(component STREQUAL window)
    set(package orvane)
  endif()
  install(FILES packaging/copyright ${doc_dir}/changelog.Debian.gz ${doc_dir}/README.md.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

# The Debian packages (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL convert)
if(ORVANE_GUI)
  list(APPEND CPACK_COMPONENTS_ALL window)
endif()
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_DEBIAN_CONVERT_PACKAGE_NAME orvane-convert)
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
# The Debian release built on names itself in the version (1.0.2-6+deb12,
# 1.0.2-6+deb13), so that one repository can hold the builds of both.
cmake_host_system_information(RESULT distribution QUERY DISTRIB_ID)
cmake_host_system_information(RESULT distribution_version QUERY DISTRIB_VERSION_ID)
set(release_suffix "")
if(distribution STREQUAL "debian" AND distribution_version MATCHES "^([0-9]+)")
  set(release_suffix "+deb${CMAKE_MATCH_1}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PROJECT_VERSION_TWEAK}${release_suffix})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Orvane <packages@orvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane <packages@orvane.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.orvane.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "orvane-convert, fonts-wine")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# CPack indents every line and turns an empty one into " .".
set(CPACK_COMPONENT_CONVERT_DESCRIPTION "convert lists of IPv4 and IPv6 networks (command line)
orvane-convert converts lists of IPv4 networks from one notation into another:
host ranges, addresses with prefix length and addresses with dotted mask,
byte for byte as the Orvane window does. It also reads lists of IPv4 and IPv6
networks, ranges and single addresses, with comments, as address sets, and
merges, intersects and subtracts them as the fewest networks, for scripts
and firewalls.

This package needs no graphical libraries; the window is in the package
orvane.")
set(CPACK_COMPONENT_WINDOW_DESCRIPTION "convert lists of IPv4 networks between notations (window)
Orvane converts lists of IPv4 networks from one notation into another: host
ranges, addresses with prefix length and addresses with dotted mask. It
cleans every line, optionally removes duplicates and sorts, and writes each
network in the chosen form. The window's texts are in Russian.

Orvane преобразует списки IPv4-сетей из одной формы записи в другую:
диапазоны адресов, адрес с короткой маской и адрес с длинной маской.")
include(CPack)
