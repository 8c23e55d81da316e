#!/bin/sh
# Rebuilds the sample projects in resources/samples/.
#
#   tools/samples/make_samples.sh [KESTRELLE_CLI]
#
# Step 1 (only with --draw as first argument): redraw the pictures with draw_samples.py
# (needs rsvg-convert, ImageMagick, and scikit-image's test pictures from python3-skimage;
# SKIMAGE_DATA names their folder when the package is unpacked somewhere else).
# Step 2: build every project with "kestrelle-cli new". Each sample lists its two pictures and
# the key-point pairs beyond the five frame points (corners and centre, which "new" adds),
# as image1 x,y : image2 x,y. The lists come from the shared landmark names in landmarks.py
# ("pairs.py shell" prints them again after a change to the drawings).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
samples="$here/../../resources/samples"
if [ "${1:-}" = "--draw" ]; then
  shift
  python3 "$here/draw_samples.py" "$samples" \
    --skimage-data "${SKIMAGE_DATA:-/usr/lib/python3/dist-packages/skimage/data}"
fi
cli=${1:-kestrelle-cli}
cli=$(command -v "$cli" || echo "$cli")
# The projects store "samples/NAME": the program's sample commands use only the file name,
# and a project opened from the program's folder (File > Open, kestrelle-cli) finds its pictures.
cd "$samples/.."

make() {
  name=$1; pic1=$2; pic2=$3; shift 3
  "$cli" new "samples/$pic1" "samples/$pic2" -o "samples/$name.fmph" "$@"
  echo "samples/$name.fmph"
}

make girltoleopard girl.png leopard.png \
    --pair 185,258:181,236 --pair 153,256:147,226 --pair 213,261:210,243 \
    --pair 148,222:146,196 --pair 214,218:212,202 --pair 225,304:214,292 \
    --pair 212,350:200,352 --pair 180,392:172,386 --pair 149,318:108,322 \
    --pair 141,240:120,220 --pair 157,175:172,140 --pair 150,118:130,96 \
    --pair 102,300:72,300 --pair 112,505:104,470 --pair 141,292:116,270 \
    --pair 209,430:176,430 --pair 85,555:55,575 --pair 295,258:299,236 \
    --pair 327,256:333,226 --pair 267,261:270,243 --pair 332,222:334,196 \
    --pair 266,218:268,202 --pair 255,304:266,292 --pair 268,350:280,352 \
    --pair 300,392:308,386 --pair 331,318:372,322 --pair 339,240:360,220 \
    --pair 323,175:308,140 --pair 330,118:350,96 --pair 378,300:408,300 \
    --pair 368,505:376,470 --pair 339,292:364,270 --pair 271,430:304,430 \
    --pair 395,555:425,575 --pair 240,343:240,340 --pair 240,366:240,362 \
    --pair 240,420:240,396 --pair 240,176:240,166 --pair 240,88:240,122

make boytobill bill.png boy.png \
    --pair 183,263:187,262 --pair 153,262:157,261 --pair 211,265:214,264 \
    --pair 146,232:150,228 --pair 214,232:215,226 --pair 219,307:224,305 \
    --pair 208,357:215,352 --pair 168,405:175,398 --pair 140,320:146,320 \
    --pair 136,236:142,236 --pair 154,170:160,178 --pair 150,128:152,124 \
    --pair 106,300:112,300 --pair 110,500:118,500 --pair 134,296:140,296 \
    --pair 199,445:206,440 --pair 60,560:70,560 --pair 297,263:293,262 \
    --pair 327,262:323,261 --pair 269,265:266,264 --pair 334,232:330,228 \
    --pair 266,232:265,226 --pair 261,307:256,305 --pair 272,357:265,352 \
    --pair 312,405:305,398 --pair 340,320:334,320 --pair 344,236:338,236 \
    --pair 326,170:320,178 --pair 330,128:328,124 --pair 374,300:368,300 \
    --pair 370,500:362,500 --pair 346,296:340,296 --pair 281,445:274,440 \
    --pair 420,560:410,560 --pair 240,350:240,346 --pair 240,370:240,364 \
    --pair 240,442:240,428 --pair 240,142:240,170 --pair 240,96:240,100

make monalisa monalisa.png astronaut.jpg \
    --pair 127,100:127,100 --pair 117,101:118,100 --pair 137,101:137,101 \
    --pair 171,103:171,103 --pair 162,103:162,103 --pair 183,104:182,103 \
    --pair 117,86:117,89 --pair 138,89:138,89 --pair 160,92:160,92 \
    --pair 183,89:183,93 --pair 148,123:148,123 --pair 142,126:142,126 \
    --pair 156,126:156,126 --pair 132,142:128,141 --pair 164,142:168,142 \
    --pair 148,140:148,139 --pair 148,148:148,153 --pair 115,161:112,157 \
    --pair 182,161:185,157 --pair 108,127:105,127 --pair 189,123:193,123 \
    --pair 107,97:107,97 --pair 192,100:192,100 --pair 112,77:112,77 \
    --pair 187,78:187,78 --pair 148,72:148,72 --pair 150,25:160,15 \
    --pair 97,54:95,48 --pair 197,50:205,40 --pair 78,120:84,100 \
    --pair 225,123:219,105 --pair 92,146:98,128 --pair 214,148:208,132 \
    --pair 101,124:101,124 --pair 205,127:205,127 --pair 116,186:113,180 \
    --pair 182,183:185,173 --pair 28,310:8,300 --pair 266,308:282,300

make cattotirger chelsea.jpg tiger.png \
    --pair 170,117:170,117 --pair 135,107:135,107 --pair 205,130:205,130 \
    --pair 320,136:320,136 --pair 300,150:300,150 --pair 346,128:346,128 \
    --pair 140,80:140,80 --pair 200,92:200,92 --pair 298,112:298,112 \
    --pair 345,100:345,100 --pair 264,238:264,238 --pair 232,229:232,229 \
    --pair 292,232:292,232 --pair 257,262:257,262 --pair 255,280:255,280 \
    --pair 212,292:212,292 --pair 298,288:298,288 --pair 366,85:366,85 \
    --pair 360,185:360,185 --pair 338,245:338,245 --pair 118,32:118,32 \
    --pair 328,38:328,38 --pair 250,2:250,2 --pair 62,2:62,2 \
    --pair 392,4:392,4 --pair 22,60:22,60 --pair 378,72:378,72

make griltoboy girl.png boy.png \
    --pair 185,258:187,262 --pair 153,256:157,261 --pair 213,261:214,264 \
    --pair 148,222:150,228 --pair 214,218:215,226 --pair 225,304:224,305 \
    --pair 212,350:215,352 --pair 180,392:175,398 --pair 149,318:146,320 \
    --pair 141,240:142,236 --pair 157,175:160,178 --pair 150,118:152,124 \
    --pair 102,300:112,300 --pair 112,505:118,500 --pair 141,292:140,296 \
    --pair 209,430:206,440 --pair 85,555:70,560 --pair 295,258:293,262 \
    --pair 327,256:323,261 --pair 267,261:266,264 --pair 332,222:330,228 \
    --pair 266,218:265,226 --pair 255,304:256,305 --pair 268,350:265,352 \
    --pair 300,392:305,398 --pair 331,318:334,320 --pair 339,240:338,236 \
    --pair 323,175:320,178 --pair 330,118:328,124 --pair 378,300:368,300 \
    --pair 368,505:362,500 --pair 339,292:340,296 --pair 271,430:274,440 \
    --pair 395,555:410,560 --pair 240,343:240,346 --pair 240,366:240,364 \
    --pair 240,420:240,428 --pair 240,176:240,170 --pair 240,88:240,100

make girl girl.png girl.png \
    --pair 185,258:185,258 --pair 153,256:153,253 --pair 213,261:213,261 \
    --pair 148,222:146,212 --pair 214,218:214,210 --pair 225,304:223,302 \
    --pair 212,350:201,337 --pair 180,392:178,389 --pair 149,318:146,309 \
    --pair 141,240:141,240 --pair 157,175:157,175 --pair 150,118:150,118 \
    --pair 102,300:102,300 --pair 112,505:112,505 --pair 141,292:141,292 \
    --pair 209,430:209,430 --pair 85,555:85,555 --pair 295,258:295,258 \
    --pair 327,256:327,253 --pair 267,261:267,261 --pair 332,222:334,212 \
    --pair 266,218:266,210 --pair 255,304:257,302 --pair 268,350:279,337 \
    --pair 300,392:302,389 --pair 331,318:334,309 --pair 339,240:339,240 \
    --pair 323,175:323,175 --pair 330,118:330,118 --pair 378,300:378,300 \
    --pair 368,505:368,505 --pair 339,292:339,292 --pair 271,430:271,430 \
    --pair 395,555:395,555 --pair 240,343:240,342 --pair 240,366:240,371 \
    --pair 240,420:240,420 --pair 240,176:240,176 --pair 240,88:240,88

make cushaw cushaw.png cushaw.png \
    --pair 130,68:91,34 --pair 169,87:124,53 --pair 103,123:58,97 \
    --pair 152,136:101,106 --pair 128,130:80,102 --pair 99,188:60,176 \
    --pair 152,181:107,163 --pair 126,185:84,170 --pair 114,252:91,250 \
    --pair 169,227:136,221 --pair 142,240:114,236 --pair 144,316:134,317 \
    --pair 205,267:185,266 --pair 175,292:160,292 --pair 170,379:166,386 \
    --pair 259,284:249,281 --pair 215,332:208,334 --pair 175,430:176,438 \
    --pair 324,301:323,293 --pair 250,366:250,366 --pair 176,457:171,459 \
    --pair 375,350:380,348 --pair 276,404:276,404 --pair 203,470:200,471 \
    --pair 380,413:383,412 --pair 300,474:300,474

