#!/bin/sh
# The strip CPack runs on the packaged programs, as Debian's dh_strip strips
# them: the compiler's .comment and the .note section go too.
exec strip --remove-section=.comment --remove-section=.note "$@"
