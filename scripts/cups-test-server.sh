#!/usr/bin/env bash
# Starts or stops a throwaway CUPS scheduler with one PDF queue for the printing tests.
#   cups-test-server.sh start DIR   prints "export ..." lines for the tests' environment
#   cups-test-server.sh stop DIR    stops the scheduler and removes DIR
#
# Everything lives under DIR: configuration, spool, cache, logs, the scheduler's socket and the
# printed file DIR/pdf/job.pdf (each job replaces it). The queue "Tabulon-<suffix of DIR>" uses the
# cups-pdf driver's PPD (its paper sizes and resolutions) and takes PDF as it comes, written by the
# scheduler's file device. cups-pdf's own backend does not do for tests: it reads its settings only
# from /etc/cups (cups-pdf.conf writes to ~/PDF of the job's user; a queue whose device is
# cups-pdf:/Q reads /etc/cups/cups-pdf-Q.conf), it copies PDF input line by line, which breaks the
# binary streams (a blank page comes out), and on its PostScript route (pdftops, then ghostscript)
# the fonts lose their text, so pdftotext reads glyph numbers only.
# cupsd runs as root with the unprivileged user "lp" for filters and the file device: the
# directories they use are open to it.
set -euo pipefail
cmd="${1:-}"; dir="${2:-}"
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

queue="Tabulon-$(basename "$dir" | tr -c 'A-Za-z0-9\n' '_')"
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

case "$cmd" in
start)
  command -v cupsd >/dev/null || { echo "cupsd not found (Debian package cups)" >&2; exit 1; }
  [ -f "$ppd" ] ||
    { echo "the cups-pdf PPD was not found (Debian package printer-driver-cups-pdf)" >&2; exit 1; }
  [ "$(id -u)" -eq 0 ] || { echo "the test scheduler runs as root" >&2; exit 1; }
  mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,state,log,pdf}
  chmod 755 "$dir" "$dir"/{etc,etc/ppd,cache,state,log}
  chmod 1777 "$dir/pdf" "$dir/spool/tmp"
  chmod 710 "$dir/spool"
  chgrp lp "$dir/spool" 2>/dev/null || true
  cat > "$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
User lp
Group lp
SystemGroup root
FileDevice Yes
Sandboxing Relaxed
EOF
  cat > "$dir/etc/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel info
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF
  chmod 644 "$dir"/etc/*.conf
  cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  echo $! > "$dir/cupsd.pid"
  for _ in $(seq 1 50); do
    [ -S "$dir/cups.sock" ] && break
    sleep 0.1
  done
  [ -S "$dir/cups.sock" ] || { echo "cupsd did not start, see $dir/log" >&2; exit 1; }
  export CUPS_SERVER="$dir/cups.sock"
  # PDF goes to the device unchanged (gziptoany copies what is not compressed; with no filter
  # program at all the scheduler writes nothing).
  sed 's|^\*% cupsFilter:.*|&\n*cupsFilter2: "application/pdf application/pdf 0 gziptoany"|' "$ppd" > "$dir/etc/queue.ppd"
  lpadmin -p "$queue" -E -v "file://$dir/pdf/job.pdf" -P "$dir/etc/queue.ppd" 2>>"$dir/log/lpadmin.log"
  lpadmin -d "$queue"
  echo "export CUPS_SERVER=$dir/cups.sock"
  echo "export TABULON_TEST_PRINTER=$queue"
  echo "export TABULON_TEST_PRINTER_OUT=$dir/pdf/job.pdf"
  ;;
stop)
  if [ -f "$dir/cupsd.pid" ]; then
    pid="$(cat "$dir/cupsd.pid")"
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  rm -rf "$dir"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
