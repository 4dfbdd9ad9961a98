# The Debian package: `cpack -G DEB` in a build folder (scripts/package does it all).
# Version, summary and home page come from project(); the maintainer is the contact.

# The documents Debian looks for beside the programs: the copyright in Debian's
# machine-readable form, naming the GPL the system already holds, and the changelog,
# compressed. The package is native (built from this tree, no Debian revision), so the
# changelog is changelog.gz; its newest entry must be this version.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/pattaplex)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/changelog)
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^pattaplex \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()
add_custom_command(OUTPUT changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog changelog
  COMMAND gzip -9nf changelog
  DEPENDS packaging/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS changelog.gz)
install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME pattaplex)
set(CPACK_PACKAGE_VENDOR "The Pattaplex developers")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "Pattaplex developers <pattaplex@users.noreply.github.com>")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # pattaplex_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it and formats the paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pattaplex is a little drum machine for the desktop. Click a groove into a grid
of ten drum rows by up to 54 steps and hear it loop through a General MIDI
synthesizer at the tempo on screen. Choose a drum kit or a melodic instrument,
start from one of twelve preset grooves or let the randomiser fill the grid,
save grooves and drum sets, and export Standard MIDI Files.

pattaplex-cli shows, writes, exports and renders grooves from the command line.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The two FluidR3 soundfonts the synthesizer plays through.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fluid-soundfont-gm, fluid-soundfont-gs")

include(CPack)
