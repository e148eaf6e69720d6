# SPDX-License-Identifier: GPL-3.0-or-later
# Joins a usage block that opens the text and wraps over indented lines into one "Usage:" line.
NR == 1 && /^[Uu]sage:/ { usage = "Usage:" substr($0, 7); joining = 1; next }
joining && /^[ \t]+[^ \t]/ { sub(/^[ \t]+/, " "); usage = usage $0; next }
joining { print usage; joining = 0 }
{ print }
END { if (joining) print usage }
