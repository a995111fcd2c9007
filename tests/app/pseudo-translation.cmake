# Turns a .ts file fresh from lupdate into a pseudo-translation that gives every text as itself
# in double brackets ("Select Files" becomes "[[Select Files]]"), so that a test can tell the
# texts that went through translation from those that did not.
# Usage: cmake -DIN=fresh.ts -DOUT=pseudo.ts -P pseudo-translation.cmake
file(READ "${IN}" ts)
string(REGEX REPLACE
    "<source>([^<]*)</source>([^<]*(<comment>[^<]*</comment>)?[^<]*(<extracomment>[^<]*</extracomment>)?[^<]*)<translation type=\"unfinished\"></translation>"
    "<source>\\1</source>\\2<translation>[[\\1]]</translation>"
    ts "${ts}")
# Plural texts: lupdate gives them one form when no language is set.
string(REGEX REPLACE
    "<source>([^<]*)</source>([^<]*(<comment>[^<]*</comment>)?[^<]*(<extracomment>[^<]*</extracomment>)?[^<]*)<translation type=\"unfinished\">([^<]*)<numerusform></numerusform>"
    "<source>\\1</source>\\2<translation>\\5<numerusform>[[\\1]]</numerusform>"
    ts "${ts}")
if(ts MATCHES "type=\"unfinished\"")
    message(FATAL_ERROR "pseudo-translation: a message of ${IN} was left untranslated")
endif()
file(WRITE "${OUT}" "${ts}")
