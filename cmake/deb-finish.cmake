# deb-finish.cmake - run by cpack on every package it made
# (CPACK_POST_BUILD_SCRIPTS). CPack gives a package with a library in the
# linker's directories a postinst and a postrm that run ldconfig; the
# ldconfig trigger the package activates (pkg/libkel1/triggers) does that
# job, as Debian's packages do, and such scripts break an installation into
# another root (dpkg --root runs them chrooted there). The package is
# unpacked, those two scripts dropped, and it is packed again by dpkg-deb
# (reproducibly: SOURCE_DATE_EPOCH is set for cpack).
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(dir ${deb}.tree)
  file(REMOVE_RECURSE ${dir})
  execute_process(COMMAND dpkg-deb -R ${deb} ${dir} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "dpkg-deb -R failed on ${deb}")
  endif()
  set(dropped FALSE)
  foreach(script postinst postrm)
    if(EXISTS ${dir}/DEBIAN/${script})
      file(READ ${dir}/DEBIAN/${script} text)
      string(REGEX REPLACE "\n+" "\n" text "${text}")
      if(text MATCHES "^#!/bin/sh\nset -e\nif \\[ \"\\$1\" = \"(configure|remove)\" \\]; then\n\tldconfig\nfi\n$")
        file(REMOVE ${dir}/DEBIAN/${script})
        set(dropped TRUE)
      endif()
    endif()
  endforeach()
  if(dropped)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${dir} ${deb}
      OUTPUT_QUIET RESULT_VARIABLE rc)
    if(rc)
      message(FATAL_ERROR "dpkg-deb -b failed on ${dir}")
    endif()
  endif()
  file(REMOVE_RECURSE ${dir})
endforeach()
