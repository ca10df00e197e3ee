# Who the installed program is to the desktop, AppStream and the package.
# Shared by the install rules and the install tests.
set(TARVISK_APP_ID org.example.tarvisk)
set(TARVISK_HOMEPAGE https://tarvisk.example.org)
# The screenshot as published on the project's site; docs/screenshot.png is
# the same picture in the repository. AppStream takes only web URLs here.
set(TARVISK_SCREENSHOT_URL ${TARVISK_HOMEPAGE}/screenshot.png)
