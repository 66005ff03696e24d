; kestrip_apply_mask: draws a full-screen mask over the display.
;
; Reads the mask stream of a "fullscreenmask" item: a mask byte and a
; graphic byte for each display byte from DE on, in display order (the
; order of the bitmap's addresses), packed in records that each begin with
; a key, the mask byte of the first pair they cover:
;
;   key      followed by                        covers
;   00       count n (1..255), n graphic bytes  n pairs of mask byte 00
;   FF       count n (1..255)                   n pairs of mask byte FF (graphics not stored)
;   01..FE   one graphic byte                   the one pair (key, graphic byte)
;   FF       count 00                           nothing: the end record, always last
;
; Mask bits run as the pixels do, bit 7 the leftmost of a byte's eight: a 1
; is a pixel of the mask colour, where the screen shows through; a graphic
; bit 1 is a drawn pixel. Each display byte becomes
;
;   screen AND mask OR graphic
;
; so a 00 record copies its graphic bytes, an FF record leaves its bytes
; as they are (they are neither read nor written), and a key record mixes
; the two. Nothing outside the bytes the records cover is written.
;
; In:        HL = the stream's first byte (the item's first data byte)
;            DE = the display bitmap's base address
; Out:       HL = the byte after the end record
;            DE = the display byte after the last pair covered
;            B = 0
; Destroys:  AF, C. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were.
; Size:      63 bytes. Relocatable: no absolute address inside.
; Speed:     a key record 72 T-states (77 or 84 after another key record),
;            an FF record 71 whatever its count, a 00 record of n bytes
;            21n + 48 (an LDIR; 21n + 43 after a key record that followed
;            an FF record); the end record 57 with the RET, the entry 19.
;            Figures on whole masks: README, "On the target".
;
; The code is laid out so that each kind of record falls into the one that
; most often follows it (a key record between FF and 00 records): the
; dispatch and the key record appear twice, once after each of the others.

kestrip_apply_mask:
        ld b,0                  ; B stays 0 between records, so a count fits in C
        jr kestrip_apply_mask_after_skip
kestrip_apply_mask_skip:                         ; key FF: skip the count's bytes; count 0 ends the stream
        ld a,(hl)
        inc hl
        or a
        ret z
        add a,e
        ld e,a
        adc a,d
        sub e
        ld d,a                  ; DE += the count
kestrip_apply_mask_after_skip:                   ; after an FF record, most often a key record
        ld c,(hl)               ; the key
        inc hl
        inc c
        jr z,kestrip_apply_mask_skip             ; FF
        dec c
        jr z,kestrip_apply_mask_copy             ; 00
kestrip_apply_mask_key_after_skip:               ; a key record: screen AND mask OR graphic
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)               ; after a key record, most often FF or 00
        inc hl
        inc c
        jr z,kestrip_apply_mask_skip
        dec c
        jr nz,kestrip_apply_mask_key_after_skip
kestrip_apply_mask_copy:                         ; key 00: the graphic bytes are the screen bytes
        ld c,(hl)
        inc hl
        ldir
        ld c,(hl)               ; after a 00 record, most often a key record
        inc hl
        inc c
        jr z,kestrip_apply_mask_skip
        dec c
        jr z,kestrip_apply_mask_copy
kestrip_apply_mask_key_after_copy:               ; the same again, so that each kind of record falls into the next
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)
        inc hl
        inc c
        jr z,kestrip_apply_mask_skip
        dec c
        jr z,kestrip_apply_mask_copy
        jr kestrip_apply_mask_key_after_copy
