# Run by CPack once the packages are made: puts right what CPack's debug-symbols package gets
# wrong. Its md5sums lists each file under the build machine's staging path instead of its path
# in the package, so dpkg --verify and debsums report every file of it as missing; and it has no
# documentation directory, where Debian's debug-symbols packages link to their package's (for the
# copyright file and the changelog). The .debug files are data, not programs: mode 0644.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.ddeb$")
        continue()
    endif()
    set(tree "${package}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

    file(STRINGS "${tree}/DEBIAN/md5sums" entries)
    set(md5sums "")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE "^([0-9a-f]+)  .*/(usr/lib/debug/.*)$" "\\1  \\2" entry "${entry}")
        string(APPEND md5sums "${entry}\n")
    endforeach()
    file(WRITE "${tree}/DEBIAN/md5sums" "${md5sums}")

    file(GLOB_RECURSE debug_files "${tree}/usr/lib/debug/*.debug")
    foreach(debug_file IN LISTS debug_files)
        file(CHMOD "${debug_file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endforeach()

    file(MAKE_DIRECTORY "${tree}/usr/share/doc")
    file(CREATE_LINK "${CPACK_PACKAGE_NAME}" "${tree}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym"
        SYMBOLIC)

    execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
