#!/bin/sh
# Checks the starchart command line: refused arguments exit non-zero with a
# message, a chart and the two conversions print what the calendar says.
#   sh starchart_test.sh PATH-TO-STARCHART
bin=$1
failed=0

refuse() {  # refuse "expected message part" ARGS...
  expected=$1; shift
  if out=$("$bin" "$@" 2>&1); then
    echo "FAIL: accepted: $*"; failed=1; return
  fi
  case $out in
    *"$expected"*) ;;
    *) echo "FAIL: $*: message '$out' lacks '$expected'"; failed=1 ;;
  esac
}

expect() {  # expect "expected output part" ARGS...
  expected=$1; shift
  if ! out=$("$bin" "$@" 2>&1); then
    echo "FAIL: refused: $*: $out"; failed=1; return
  fi
  case $out in
    *"$expected"*) ;;
    *) echo "FAIL: $*: output lacks '$expected'"; failed=1 ;;
  esac
}

refuse "there is no date 1990-02-30" --birth "1990-02-30 10:00" --sex M
refuse "outside 1902-2050" --birth "1901-12-31 10:00" --sex M
refuse "outside 1902-2050" --birth "2051-01-01 10:00" --sex F
refuse "there is no time" --birth "1990-01-27 24:00" --sex M
refuse "not of the form" --birth "1990-1-27 10:00" --sex M
refuse "sex 'X' is unknown" --birth "1990-01-27 10:00" --sex X
refuse "needs --sex" --birth "1990-01-27 10:00"
refuse "cannot be written in GBK" --birth "1990-01-27 10:00" --sex M --name "한국"
refuse "longer than 30 bytes" --birth "1990-01-27 10:00" --sex M --name "一二三四五六七八九十一二三四五六"
refuse "there is no lunar date 2020 leap 4 30" --lunar 2020 4 30 --leap
refuse "lunar month 13" --lunar 2020 13 1
refuse "unknown argument" --birht "1990-01-27 10:00"
refuse "give one of" --lunar 2020 1 1 --solar 2020-01-01

expect "2034-01-05" --lunar 2033 11 15 --leap
expect "2020-05-22" --lunar 2020 4 30
expect "2033 -11 15 闰冬月十五" --solar 2034-01-05
expect "1983 12 30 腊月三十" --solar 1984-02-01

json=$("$bin" --birth "1990-01-27 10:00" --sex M --name "张三" --json) || { echo "FAIL: chart"; failed=1; }
for part in '"header": ["姓名¨张三　男", "命局¨水二局", "农历¨一九九零年正月初一", "公历¨一九九零年一月二七日"' \
            '"branch": "酉", "slots": [' '{"text": "命宫", "code": 2}' '{"text": "身", "code": 13}' \
            '["己", "丁", "壬", "乙"]' '"luck": ["7", "丙子", "乙亥"'; do
  case $json in
    *"$part"*) ;;
    *) echo "FAIL: chart JSON lacks $part"; failed=1 ;;
  esac
done
expect "命宫" --birth "1990-01-27 10:00" --sex M

[ $failed -eq 0 ] && echo "starchart: all checks passed"
exit $failed
