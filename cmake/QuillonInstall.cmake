# cmake --install: quillon in bin/, the codec programs in lib/quillon/ (off PATH; quillon
# looks there when they are not beside it), the desktop entry, the icon in the hicolor
# sizes drawn by res/make-pictures.sh, the manual page, the AppStream data and the bash
# completion.
include(GNUInstallDirs)
install(TARGETS quillon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS l3_encoder d3_decoder RUNTIME DESTINATION lib/quillon)
install(FILES ${CMAKE_SOURCE_DIR}/res/desktop/quillon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/res/pictures/hicolor/quillon-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quillon.png)
endforeach()
if(QUILLON_MANUAL_PAGE)
  install(FILES ${QUILLON_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/res/desktop/example.norvane.quillon.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Where bash-completion loads a command's completion from when it is first completed.
install(FILES ${CMAKE_SOURCE_DIR}/res/completion/quillon.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillon)
