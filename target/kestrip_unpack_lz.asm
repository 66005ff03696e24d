; kestrip_unpack_lz: unpacks an LZ stream (item header type 3, "compresslz").
;
; Reads the stream kestrip's LZ compression writes (drawn in full, with a
; worked example, in src/writers/lz_stream.h): bits, most significant
; first, from bit bytes taken as the bits are needed, and literal and
; distance bytes between them, in the order they are used.
;
;   gamma(v)        for each bit of v below its leading 1: 0 and the bit;
;                   then 1                      (v = 1: 1, 2: 001, 3: 011)
;   after a match, and at the start:
;     literal run   0 gamma(n) n bytes          the n bytes
;     new match     1 gamma(h) lo gamma(m - 1)  m >= 2 bytes from d back,
;                                               -d = (256 - h) * 256 + lo
;   after a literal run:
;     repeat match  0 gamma(m - 1)              m bytes from the last d
;     new match     as above                    (d = 1 before the first)
;   terminator      a new match whose h is 256
;
; and writes the item's bytes, in order, from DE on. A match copies from
; bytes already written, one at a time (d = 1 repeats the last byte).
; Nothing else in memory is written but the stack.
;
; In:        HL = the stream's first byte (just past the item header)
;            DE = where the item's first byte goes
; Out:       HL = the byte after the stream (after its terminator)
;            DE = the byte after the last byte written
; Destroys:  AF, BC, IX. IY and the alternate registers are left alone;
;            interrupts stay as they were.
; Stack:     2 bytes below the return address.
; Size:      127 bytes. Relocatable: no absolute address inside.
; Speed:     literals and matches move by LDIR (21 T-states a byte); each
;            bit of a code costs 16 T-states (28 when it takes a bit byte)
;            and its branch, a token about 60 (a literal run) to 180 (a new
;            match) more. Figures on whole items: README, "On the target".
;
; In place: the stream may share one buffer with the bytes it unpacks, DE
; at the buffer's first byte and the stream's last byte at its last, when
; the buffer holds the item's N bytes and a margin of 3 bytes for N = 0 or
; 1, 4 for N up to 15, 5 up to 255, 6 up to 4095 and 7 above (the longest
; stream's overhead, LzStreamBound(N) - N: enough for any stream kestrip
; writes of N bytes). A match's codes are read before its bytes are
; written and a literal run is copied just behind its reading, so the
; output never overtakes a stream byte not yet read. Otherwise the stream
; may lie anywhere apart from the destination.
;
; Registers while it runs: A holds the bits not yet used of the current bit
; byte, shifted up, with a 1 below them as a marker: when only the marker
; is left, ADD A,A gives zero and the next stream byte is fetched, its top
; bit going to carry and the marker coming in from carry at the bottom.
; BC collects gamma codes and is the copies' count. IX holds -d, the last
; new match's distance as a 16-bit negative (a match's source is DE - d),
; and a match pushes it while it reads the length.
; The common case of each code comes first: a new match after a match, h = 1.

; The next bit of the stream to carry.
lz_bit macro
        add a,a
        jr nz,$+5               ; bits left in A
        ld a,(hl)               ; the next bit byte
        inc hl
        rla                     ; its top bit to carry, the marker in
        endm

kestrip_unpack_lz:
        ld ix,0FFFFh            ; -d = -1: the repeat distance before any match
        ld a,080h               ; the marker alone: no bits yet
        jr lz_after_match       ; the start is as after a match
lz_literals:                    ; gamma(n), then the n literals
        ld bc,1
lz_literal_count:
        lz_bit
        jr c,lz_literal_copy
        lz_bit
        rl c
        rl b
        jr lz_literal_count
lz_literal_copy:
        ldir
        lz_bit
        jr c,lz_new_match       ; 1: a new match
        push ix                 ; 0: a repeat match, from the last d
lz_length:                      ; -d on the stack; gamma(m - 1), then the copy
        ld bc,1
lz_length_bits:
        lz_bit
        jr c,lz_copy
        lz_bit
        rl c
        rl b
        jr lz_length_bits
lz_copy:
        ex (sp),hl              ; the stream pointer kept where -d was
        add hl,de               ; the source, DE - d
        ldir                    ; m - 1 bytes,
        ldi                     ; and the last
        pop hl
lz_after_match:
        lz_bit
        jr nc,lz_literals       ; 0: a literal run
lz_new_match:                   ; 1: a new match, gamma(h) first
        lz_bit
        jr nc,lz_far            ; h > 1
        ld b,0FFh               ; h = 1: -d hi
lz_low:
        ld c,(hl)               ; -d lo
        inc hl
        push bc
        pop ix                  ; for a repeat match after a literal run
        push bc                 ; for this match's copy
        jr lz_length
lz_far:                         ; the rest of gamma(h) as its complement,
        ld bc,0FFFEh            ; so that B = 0FFh while h < 256
lz_high_bits:
        lz_bit
        ccf
        rl c
        rl b
        lz_bit
        jr nc,lz_high_bits
        inc b
        ret nz                  ; h = 256: the terminator
        inc c                   ; C = 255 - h + 1 = -d hi
        ld b,c
        jr lz_low
