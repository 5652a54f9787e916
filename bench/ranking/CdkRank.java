// CDK's isotope similarity on the ranking bench's spectra (run.py --cdk):
// each line of standard input is "TRUE<TAB>PEAKS<TAB>CANDIDATES", the true
// neutral formula, the found [M+H]+ peaks ("mz:intensity,..."), and the
// candidate neutral formulas formix found by mass (by |error|); each
// candidate's [M+H]+ pattern from CDK's IsotopePatternGenerator is compared
// with the peaks by IsotopePatternSimilarity, the candidates ranked by it
// (a tie keeps formix's order), and the true formula's rank printed (0:
// not among them).  Arguments: the similarity's tolerance, the patterns'
// least intensity (relative).
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.util.ArrayList;
import java.util.List;
import org.openscience.cdk.formula.IsotopeContainer;
import org.openscience.cdk.formula.IsotopePattern;
import org.openscience.cdk.formula.IsotopePatternGenerator;
import org.openscience.cdk.formula.IsotopePatternSimilarity;
import org.openscience.cdk.interfaces.IMolecularFormula;
import org.openscience.cdk.silent.SilentChemObjectBuilder;
import org.openscience.cdk.tools.manipulator.MolecularFormulaManipulator;

public class CdkRank {
  public static void main(String[] args) throws Exception {
    final double tolerance = Double.parseDouble(args[0]);
    final double least = Double.parseDouble(args[1]);
    BufferedReader in = new BufferedReader(new InputStreamReader(System.in));
    for (String line; (line = in.readLine()) != null; ) {
      String[] f = line.split("\t");
      IsotopePattern found = new IsotopePattern();
      for (String peak : f[1].split(",")) {
        String[] p = peak.split(":");
        found.addIsotope(new IsotopeContainer(Double.parseDouble(p[0]), Double.parseDouble(p[1])));
      }
      found.setMonoIsotope(found.getIsotope(0));
      found.setCharge(1);
      IsotopePatternSimilarity similarity = new IsotopePatternSimilarity();
      similarity.seTolerance(tolerance);
      IsotopePatternGenerator generator = new IsotopePatternGenerator(least);
      String[] candidates = f.length > 2 && !f[2].isEmpty() ? f[2].split(",") : new String[0];
      List<double[]> scored = new ArrayList<>();  // {score, index}
      for (int i = 0; i < candidates.length; i++) {
        IMolecularFormula ion = MolecularFormulaManipulator.getMolecularFormula(candidates[i] + "H",
            SilentChemObjectBuilder.getInstance());
        IsotopePattern calculated = generator.getIsotopes(ion);
        calculated.setCharge(1);
        scored.add(new double[] {similarity.compare(found, calculated), i});
      }
      scored.sort((a, b) -> a[0] != b[0] ? Double.compare(b[0], a[0]) : Double.compare(a[1], b[1]));
      int rank = 0;
      for (int r = 0; r < scored.size(); r++) {
        if (candidates[(int) scored.get(r)[1]].equals(f[0])) rank = r + 1;
      }
      System.out.println(rank);
    }
  }
}
