# What `make install` puts in place and what `make package` packs into a
# .deb: the programs, the menu entry, the icons, the AppStream description,
# the manual pages, the bash completions, the licence and changelog, and the
# demo game. Included from CMakeLists.txt once mirt, mirt-tool, the demo
# (MIRT_DEMO_DIR) and the icons (MIRT_ICONS) are defined.
include(GNUInstallDirs)

# The programs go where Debian puts games, /usr/games (PREFIX/games), and the
# demo under share/games: the package is in section games, which wants no
# program in /usr/bin, so the authors' tool for those games goes beside the
# player. The player finds the installed demo at ../share/games/mirt/demo
# from its own folder, which holds from both bin/ and games/.
set(MIRT_INSTALL_GAMESDIR games CACHE STRING "where the programs are installed, under the prefix")
install(TARGETS mirt mirt-tool RUNTIME DESTINATION ${MIRT_INSTALL_GAMESDIR})
install(FILES dist/io.github.mirt.Mirt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/io.github.mirt.Mirt.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${MIRT_ICONS}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES dist/io.github.mirt.Mirt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/mirt.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/mirt-tool.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/completion/mirt dist/completion/mirt-tool
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The licence in Debian's machine-readable form (its full text is in
# /usr/share/common-licenses on Debian; LICENSE holds it in the sources) and
# the changelog, compressed as Debian wants it. The version is native (no
# Debian revision: the project packs itself), so the changelog is
# changelog.gz, not changelog.Debian.gz.
file(STRINGS dist/debian/changelog MIRT_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT MIRT_CHANGELOG_TOP MATCHES "^mirt \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "dist/debian/changelog begins with \"${MIRT_CHANGELOG_TOP}\": "
                      "its first entry must be for version ${PROJECT_VERSION}")
endif()
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/changelog > changelog.gz
  DEPENDS dist/debian/changelog)
add_custom_target(package_files ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES README.md dist/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The demo game, to try the player on: mirt /usr/share/games/mirt/demo.
# What a play of the build's copy left behind (settings, saves, the
# variable file, the reader's marks, quick save and save pictures, a file
# written aside) stays out.
install(DIRECTORY ${MIRT_DEMO_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/games/mirt/demo
        PATTERN "mirt.ini" EXCLUDE PATTERN "[Dd]ata_*.dat" EXCLUDE PATTERN "system.dat" EXCLUDE
        PATTERN "mirt-*" EXCLUDE PATTERN "*.tmp*" EXCLUDE)

# make package: a .deb whose dependencies are the Debian runtime packages
# (dpkg-shlibdeps adds the versions of the shared libraries). Section games,
# with the programs in /usr/games.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "mirt developers <mirt@mirt.github.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "player for the games of a classic Japanese adventure-game authoring kit")
# Lines of at most 80 characters; CPack indents them for the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Mirt plays visual novels and adventure games made with a classic Japanese"
  "authoring kit: a folder with init.def, Shift-JIS scenario scripts,"
  "pictures, MIDI music, WAVE sounds and CD tracks. mirt-tool packs, unpacks"
  "and checks games for authors.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6core6, libqt6gui6, libqt6widgets6, libqt6websockets6, libqt6texttospeech6, qt6-qpa-plugins, libjpeg62-turbo, libfluidsynth3, timgm6mb-soundfont, libsdl2-2.0-0, libsndfile1, libsamplerate0, libasound2, fonts-ipafont-gothic, fonts-ipafont-mincho")
# Reading aloud: speech-dispatcher through Qt's plugin, with a voice.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-speech-speechd-plugin, speech-dispatcher, espeak-ng")
include(CPack)
