#!/bin/sh
# Makes the README's pictures of Fennick on a real X window under Xvfb:
#   docs/screenshots/main-window.png  the main window with a sample ledger
#   docs/screenshots/report.png       a summary report of that ledger
#   docs/screenshots/main-window-dark.png  the same window on a dark desktop
#                                     palette, an expense open in the record panel
# Run it again after any visible change and commit the pictures.  It installs
# what it needs (xvfb, xdotool, x11-apps for xwd, netpbm, and qt6ct, which
# gives Qt programs the desktop's dark colour scheme) when missing.
set -e
cd "$(dirname "$0")/.."
top=$(pwd)

if [ -z "$FENNICK_SCREENSHOT_DISPLAY" ]; then
    need=""
    for p in xvfb xauth xdotool x11-apps netpbm python3 qt6ct; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
    done
    if [ -n "$need" ]; then
        if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
        $SUDO apt-get update
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $need
    fi
    sh tools/setup.sh
    launcher=""
    command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DFENNICK_TESTS=OFF $launcher
    cmake --build build/package -j"$(nproc)" --target fennick
    # Run again inside a virtual X server of its own.
    FENNICK_SCREENSHOT_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x960x24" sh "$0"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program in a folder of its own, which it then uses as its
# program folder, with a sample ledger of this year.
mkdir -p "$work/Household"
cp build/package/fennick "$work/Household/fennick"
python3 - "$work/Household" <<'PY'
import datetime, struct, sys
folder = sys.argv[1] + "/"
def text(s, width):
    return s.encode("cp1252").ljust(width, b" ")[:width]
cats = [("SH", "Shelter"), ("FO", "Food"), ("WA", "Wages"), ("TX", "Taxes"),
        ("UT", "Utilities"), ("CA", "Car"), ("GI", "Gifts")]
with open(folder + "category.dat", "wb") as f:
    for code, name in cats:
        f.write(text(code, 10) + text(name, 20) + text("", 500) + text("", 10))
epoch = datetime.date(1899, 12, 30)
today = datetime.date.today()
year = today.year
entries = []
for month in range(1, today.month + 1):
    def day(d):
        return datetime.date(year, month, min(d, 28))
    entries += [
        (day(1), "SH", -1150_0000, "Rent", "Landlord", ""),
        (day(3), "WA", 3240_5000, "Salary", "Employer", ""),
        (day(5), "UT", -(84_0000 + month * 3_2500), "Electricity and water", "City", ""),
        (day(9), "FO", -(212_3500 + month * 7_1000), "Groceries, market", "", ""),
        (day(16), "CA", -(61_2000 + (month % 3) * 15_0000), "Fuel", "", "Station"),
        (day(18), "WA", 3240_5000, "Salary", "Employer", ""),
        (day(22), "FO", -(96_4000 + month * 2_0000), "Groceries, baker", "", ""),
        (day(27), "TX", -410_0000, "Income tax, monthly payment", "", ""),
    ]
    if month in (3, 7, 11):
        entries.append((day(12), "GI", -75_0000, "Birthday present", "", "Family"))
    if month == today.month:
        # An open item: the amount is not known yet.
        entries.append((day(2), "CA", 0, "Car insurance, amount to come", "", ""))
entries = [e for e in entries if e[0] <= today]
with open(folder + "fennick.dat", "wb") as f:
    for n, (date, code, amount, note, u1, u2) in enumerate(entries, 1):
        f.write(struct.pack("<d", (date - epoch).days) + text(code, 10)
                + struct.pack("<q", amount) + text(note, 60) + text(u1, 10)
                + text(u2, 10) + struct.pack("<d", n) + b"N" + text("", 10))
PY

mkdir -p "$work/home" docs/screenshots
# The dark picture is of a first run, at the size the program picks itself.
cp -r "$work/Household" "$work/Dark"
pid=""
wid=""
# Starts the program of folder $1 (with the environment given after it) and
# finds its main window.
start() {
    folder=$1
    shift
    env HOME="$work/home" LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 QT_QPA_PLATFORM=xcb "$@" \
        "$work/$folder/fennick" &
    pid=$!
    wid=""
    for i in $(seq 1 60); do
        wid=$(xdotool search --onlyvisible --name '^Fennick$' 2>/dev/null | head -1) || true
        [ -n "$wid" ] && break
        sleep 0.5
    done
    if [ -z "$wid" ]; then
        kill "$pid" 2>/dev/null
        echo "the main window did not appear" >&2
        exit 1
    fi
    xdotool windowmove "$wid" 0 0 windowfocus --sync "$wid"
}
stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

shot() {
    sleep 1.5
    xwd -silent -id "$wid" | xwdtopnm 2>/dev/null | pnmtopng > "$top/docs/screenshots/$1"
    echo "wrote docs/screenshots/$1"
}

start Household
xdotool windowsize "$wid" 1000 660
shot main-window.png
# Summary report, narrow format (Ctrl+A).
xdotool key --clearmodifiers ctrl+a
shot report.png
stop

# A dark desktop: the "darker" colour scheme of qt6ct, as a user of a dark
# theme sets it for Qt programs.
mkdir -p "$work/home/.config/qt6ct"
cat > "$work/home/.config/qt6ct/qt6ct.conf" <<CONF
[Appearance]
color_scheme_path=/usr/share/qt6ct/colors/darker.conf
custom_palette=true
style=Fusion
CONF
start Dark QT_QPA_PLATFORMTHEME=qt6ct
# The second entry of the list (an expense) open in the record panel.
xdotool key --clearmodifiers Down Return
shot main-window-dark.png
stop
