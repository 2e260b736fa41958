// MakeLha: writes LHA archives with jlha (Debian libjlha-java), an encoder we did not write.
//
//   java -cp jlha.jar:CLASSDIR MakeLha LEVEL EPOCH OUT.lzh LIST
//
// LIST is UTF-8, one member per line in archive order: STORED_NAME <TAB> INPUT_FILE <TAB>
// METHOD, '/' between path parts; a name ending in '/' is a folder (-lhd-). Every member
// is stamped with EPOCH (seconds since 1970).
//
// jlha's own putNextEntry() falls back to -lh0- whenever compression does not shrink the
// data (our 1-byte and random members); so we run the encoder ourselves and hand the
// result over as already compressed.
//
// jlha encodes names with the "lha.encoding" charset, whose default ISO8859_1 turns
// Japanese into '?': we pass windows-31j (CP932).
import java.io.*;
import java.nio.charset.StandardCharsets;
import java.nio.file.*;
import java.util.*;
import jp.gr.java_conf.dangan.util.lha.*;

public class MakeLha {
    public static void main(String[] argv) throws IOException {
        Date time = new Date(Long.parseLong(argv[1]) * 1000);
        Properties props = LhaProperty.getProperties();
        props.setProperty("lha.encoding", "windows-31j");
        try (LhaOutputStream out = new LhaOutputStream(new FileOutputStream(argv[2]), props)) {
            for (String line : Files.readAllLines(Paths.get(argv[3]), StandardCharsets.UTF_8)) {
                String[] f = line.split("\t");  // name, input, method
                LhaHeader h = new LhaHeader(f[0], time);
                h.setHeaderLevel(Integer.parseInt(argv[0]));
                h.setCompressMethod(f[2]);
                if (f[0].endsWith("/")) {
                    out.putNextEntry(h);
                } else {
                    byte[] data = Files.readAllBytes(Paths.get(f[1]));
                    ByteArrayOutputStream packed = new ByteArrayOutputStream();
                    OutputStream encoder = CompressMethod.connectEncoder(packed, f[2], props);
                    encoder.write(data);
                    encoder.close();
                    CRC16 crc = new CRC16();
                    crc.update(data);
                    h.setOriginalSize(data.length);
                    h.setCompressedSize(packed.size());
                    h.setCRC((int) crc.getValue());
                    out.putNextEntryAlreadyCompressed(h);
                    packed.writeTo(out);
                }
                out.closeEntry();
            }
        }
    }
}
