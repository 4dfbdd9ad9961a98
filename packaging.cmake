# The Debian package: `cpack -G DEB` in a build folder (scripts/package does it all).
# Version, summary and home page come from project(); the maintainer is the contact.
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
