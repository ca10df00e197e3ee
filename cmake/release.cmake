# The version and the day it was released, read from debian/changelog, the
# one place they are kept (with dch): the version of its first entry and the
# date of that entry's trailer line. Included before project(), which takes
# the version.

set(tarvisk_changelog_file ${CMAKE_CURRENT_LIST_DIR}/../debian/changelog)
file(READ ${tarvisk_changelog_file} tarvisk_changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tarvisk_changelog_file})

# A native package's version is the project's own: numbers and dots only.
if(NOT tarvisk_changelog MATCHES "^tarvisk \\(([0-9]+(\\.[0-9]+)*)\\) ")
  message(FATAL_ERROR "debian/changelog: the first entry is not \"tarvisk (VERSION)\" with a version of numbers and dots")
endif()
set(TARVISK_VERSION ${CMAKE_MATCH_1})

# " -- Name <address>  Tue, 08 Dec 2026 00:00:00 +0000": the first trailer
# is the first entry's.
if(NOT tarvisk_changelog MATCHES "\n -- [^\n]*  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "debian/changelog: the first entry has no trailer line with its date")
endif()
set(tarvisk_day ${CMAKE_MATCH_1})
set(tarvisk_month_name ${CMAKE_MATCH_2})
set(tarvisk_year ${CMAKE_MATCH_3})
# YYYY-MM-DD, as AppStream and the manual pages write it (two digits each:
# 100 added, its 1 cut off).
set(tarvisk_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND tarvisk_months ${tarvisk_month_name} tarvisk_month)
if(tarvisk_month EQUAL -1)
  message(FATAL_ERROR "debian/changelog: no month named ${tarvisk_month_name}")
endif()
math(EXPR tarvisk_month "${tarvisk_month} + 101")
math(EXPR tarvisk_day "${tarvisk_day} + 100")
string(SUBSTRING ${tarvisk_month} 1 2 tarvisk_month)
string(SUBSTRING ${tarvisk_day} 1 2 tarvisk_day)
set(TARVISK_RELEASE_DATE ${tarvisk_year}-${tarvisk_month}-${tarvisk_day})
